#pragma once

#include "photoset/PhotoCheck.h"

#include <QString>

// What PhotoAdder reports while it adds photos. The progress window
// (frmFilesCount) implements it for the main window; the command-line tool
// prints instead.
class AddProgress
{
public:
    virtual ~AddProgress() = default;

    // Shows the progress window, owned by the main window, which is disabled
    // meanwhile. Called once, only when there is work to do.
    virtual void open() = 0;
    // Unloads the progress window; called once after open(), however the
    // work ended (done, cancelled, set full).
    virtual void close() = 0;

    // One file is being looked at: show `fileName` (strFileName) and add 1 to
    // the count (intFileCount(1)). Files the set then refuses count as well.
    virtual void fileLookedAt(const QString &fileName) = 0;

    // Lets the window repaint and take clicks; the Cancel button cancels the
    // adder's token from in here. Called often, also while waiting
    // for files still being examined.
    virtual void processEvents() = 0;

    // The verdict on one file (full path); `check.ID` is set when added.
    // Also called for files skipped by the drop rules that never counted as
    // looked at. Optional.
    virtual void fileDone(const PhotoCheck &check) { (void)check; }
};

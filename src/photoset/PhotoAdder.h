#pragma once

#include <QString>
#include <QStringList>

#include <memory>

struct AppState;
class AddProgress;
class CancelToken;
class UserPrompt;
class clsTray;

// Adds photos to the photo set the three ways the main window offers: the
// "Browse" dialog, dropped files and dropped folders (searched depth first).
//
// How to drive it: construct it with the process state (PhotoTray and
// GdiplusToken set), the UserPrompt and a progress sink, disable the main
// window, call Browse()/AddSelected() or AddDropped() on the user-interface
// thread, then refresh the count and the total from PhotoTray, and enable
// the window. The call returns when the work is done; it is synchronous on
// purpose, like the rest of the program's long work, and keeps the window
// live by calling progress.processEvents() many times a second. The Cancel
// button only has to cancel the token the adder was given; the adder stops
// after the current file. Do not start a second add from inside
// processEvents() (the main window is disabled meanwhile, so it cannot
// happen from the user).
//
// Behind the scenes several files are read, decoded and hashed at once on
// worker threads, while the set is still filled strictly in the order given,
// with the limit of AppState::MaxPhotos and the duplicate rule. Nothing is
// added once the set holds MaxPhotos photos. Messages (the 100-photo limit of
// the dialog, catalog message 385) go through the UserPrompt.
class PhotoAdder
{
public:
    struct Summary
    {
        int lookedAt = 0; // files counted in the progress window
        int added = 0;
        bool cancelled = false;
        bool full = false; // stopped because the set reached its limit
    };

    // Without a `cancel` token nothing stops the work short.
    PhotoAdder(AppState &state, UserPrompt &ui, AddProgress &progress, const CancelToken *cancel = nullptr);
    ~PhotoAdder();

    PhotoAdder(const PhotoAdder &) = delete;
    PhotoAdder &operator=(const PhotoAdder &) = delete;

    // The "Browse" button: asks for files with the common dialog (desktop
    // folder, the photo filter without BMP, multi-select) and adds them.
    // Cancelling the dialog adds nothing.
    Summary Browse(const QString &description);
    // The dialog's answer: more than 100 files adds nothing and says so;
    // otherwise each file is added in order with `description` as Remarks.
    Summary AddSelected(const QStringList &files, const QString &description);

    // A drop on the drop zone: files and folders in the order dropped, the
    // files found in folders counted too. Shows message 385 when a single dropped
    // file is no photo while the set holds photos, and when the set is still
    // empty afterwards. An empty list does nothing at all. Folders are
    // searched depth first, entries by name; their photos get no description,
    // and only files named like photos count as looked at.
    Summary AddDropped(const QStringList &items, const QString &description);

    // How many files may be examined at once (default: one per core).
    void setParallelism(int threads);

private:
    class Pipeline;
    std::unique_ptr<Pipeline> m_pipeline;
    AppState &m_state;
    UserPrompt &m_ui;
    AddProgress &m_progress;
    const CancelToken *m_cancel;
};

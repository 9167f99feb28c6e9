#pragma once

#include "core/ui/SkinnedDialog.h"
#include "photoset/AddProgress.h"
#include "photoset/CancelToken.h"

class QLabel;
class QProgressBar;
class QPushButton;

// The small window that counts the files taken in while photos are added
// (dialog, drop or folder search), with the file at hand and a Cancel button.
// Shown modelessly over the main window, whose controls wait meanwhile.
class frmFilesCount : public SkinnedDialog
{
    Q_OBJECT
public:
    explicit frmFilesCount(AppState &state, QWidget *owner = nullptr);

    // The file being added: names shorter than 26 characters whole, longer
    // ones as their first 22 characters and "...".
    QString strFileName() const { return m_fileName; }
    void setStrFileName(const QString &fileName);

    // Adds `n` to the number shown; reads back the last `n`.
    short intFileCount() const { return m_lastIncrement; }
    void setIntFileCount(short n);

    // The text a file name is shown as.
    static QString shortName(const QString &fileName);

    // What the adding loops report to: shows, counts and closes this window.
    AddProgress &progress() { return m_progress; }
    // Cancelled by the Cancel button; the adder stops after the file at hand.
    const CancelToken &cancelToken() const { return m_cancel; }

    QPushButton *cmdCancel() const { return m_cmdCancel; }

private:
    class Progress final : public AddProgress
    {
    public:
        explicit Progress(frmFilesCount &window) : m_window(window) {}
        void open() override;
        void close() override;
        void fileLookedAt(const QString &fileName) override;
        void processEvents() override;
        void fileDone(const PhotoCheck &check) override;

    private:
        frmFilesCount &m_window;
    };

    void cmdCancel_Click();

    Progress m_progress{*this};
    CancelToken m_cancel;
    QLabel *m_lblHint;
    QLabel *m_lblFileName;
    QLabel *m_lblFileCount;
    QLabel *m_lblTooLarge; // why some files were left out, when they were too large
    int m_tooLarge = 0;
    QProgressBar *m_busy;
    QPushButton *m_cmdCancel;
    QString m_fileName;
    short m_lastIncrement = 0;
};

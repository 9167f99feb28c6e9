#pragma once

#include <QString>

// What a destination flow sees of the main window: the description, the
// window's enabled state and the progress panel. frmUploadTo implements it;
// tests use a recording fake.
class UploadWindow
{
public:
    virtual ~UploadWindow() = default;

    // Copies the description box into every photo's Remarks.
    virtual void ApplyDescription() = 0;
    virtual void setWindowEnabled(bool enabled) = 0;

    // The progress panel (fraProgress).
    virtual void ShowProgressPanel(bool show) = 0;
    virtual void setUpdateCaption(const QString &text) = 0; // lblUpdateCaption
    virtual void setPbrCaption(const QString &text) = 0;    // lblPbrCaption
    virtual void setProgressRange(int minimum, int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    virtual int progressValue() const = 0;
    virtual int progressMaximum() const = 0;
    virtual void StepProgress() = 0;

    // True once the user pressed the panel's Cancel since it was last shown.
    virtual bool progressCancelled() const = 0;

    // Lets the window repaint and take clicks during long work.
    virtual void processEvents() = 0;
};

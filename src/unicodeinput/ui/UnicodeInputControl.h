#pragma once

#include "unicodeinput/ui/PromptText.h"

#include <QWidget>

class QKeyEvent;
class QTimer;

// What the text boxes and the list have in common: one Qt editor filling the
// control, the key events the window listens to, and a focus request that
// survives the window still being shown.
class UnicodeInputControl : public QWidget
{
    Q_OBJECT
public:
    bool Enabled() const { return isEnabled(); }
    void setEnabledState(bool enabled) { setEnabled(enabled); }

    // Moves the input focus into the control once the event loop runs again,
    // so that it also works while the window is still being shown.
    void SetSuperfocus();

signals:
    // The user changed the value; the program's own changes raise nothing.
    void Change();
    void KeyDown(bool ctrl, int keyCode);
    void KeyUp(bool ctrl, int keyCode);

protected:
    explicit UnicodeInputControl(QWidget *parent);

    // Makes `editor` (a child of this control) fill it and take its focus.
    void host(QWidget *editor);

    // Keys that must never reach the editor nor be reported.
    virtual bool refusesKey(const QKeyEvent &event) const = 0;
    // Any other event of the editor, seen before the editor gets it.
    virtual void editorEvent(QEvent * /*event*/) {}

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_editor = nullptr;
    QTimer *m_focusTimer;
};

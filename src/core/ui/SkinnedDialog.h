#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

class QAbstractButton;
class QLabel;
struct AppState;

// The common frame of the program's borderless windows: a rounded skinned
// panel, a title bar that drags the window, and an optional close control in
// it. Subclasses lay out their controls at fixed places, as designed, and
// get two hooks: Form_Load just before the window first appears (still
// hidden, so window flags can change without a flicker) and Form_Unload once
// it has been closed in any way.
class SkinnedDialog : public QDialog
{
    Q_OBJECT
public:
    // Height of the title bar band.
    static constexpr int TitleBarHeight = 30;

    explicit SkinnedDialog(AppState &state, QWidget *parent = nullptr);

    AppState &state() const { return m_state; }
    int skin() const { return m_skin; }

    QLabel *titleLabel() const { return m_title; }                // lblTitle
    QAbstractButton *titleCloseButton() const { return m_close; } // btnTitleClose

    void setVisible(bool visible) override;
    void done(int result) override;

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

    // Windows without a title bar (the splash, busy and "Done!" panels).
    void setTitleBarShown(bool shown);
    void setTitleCloseShown(bool shown);
    bool titleBarShown() const { return m_titleBar; }

    // Gives `button` the skin's button style, now and whenever the window
    // loads again.
    void skinButton(QAbstractButton *button);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeTitle();
    // Takes the current skin from the state: colours, title and buttons.
    void applySkin();

    AppState &m_state;
    int m_skin;
    bool m_titleBar = true;
    bool m_loaded = false;
    QLabel *m_title;
    QAbstractButton *m_close;
    QList<QPointer<QAbstractButton>> m_skinnedButtons;
};

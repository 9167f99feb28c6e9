#pragma once

#include "core/ui/SkinnedDialog.h"

class QLabel;
class QTimer;

// The splash window, and the small "Please wait..." window that the slow
// parts of the program show while they wait. The mode is set before each
// load and cleared again when the window unloads.
class frmSck : public SkinnedDialog
{
    Q_OBJECT
public:
    // The modes SetMessage takes.
    inline static const QString Splash = QStringLiteral("Splash");
    inline static const QString Busy = QStringLiteral("Busy");
    inline static const QString PleaseWait = QStringLiteral("Please wait...");

    // Lines of the maker's legal notice under the splash picture.
    static QString legalNotice();

    explicit frmSck(AppState &state, QWidget *parent = nullptr);

    void SetMessage(const QString &mode) { m_mode = mode; }
    QString mode() const { return m_mode; }

    // Keeps the window above every ordinary window, without moving it.
    void SetTopMostWindow();

    QLabel *lblMessage() const { return m_label; }
    QTimer *splashTimer() const { return m_timer; }

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void paintEvent(QPaintEvent *event) override;

private:
    void layoutSplash();
    void layoutBusy(const QString &text, int widthTwips);

    QString m_mode;
    QLabel *m_label;
    QTimer *m_timer;
    QTimer *m_spin;
    int m_step = 0;
    QPixmap m_picture;
};

#pragma once

#include "core/ui/SkinnedDialog.h"

#include <QStringList>

class QLabel;
class QPushButton;

// The common shape of the two prompts around a sign-in in the user's own
// browser: a few lines of text, the main button and Cancel. OK() is the
// answer: true only when the main button closed the window; Cancel, Alt+F4
// and every close the user asks of the window itself answer false.
class AuthorizePrompt : public SkinnedDialog
{
    Q_OBJECT
public:
    bool OK() const { return m_ok; }

    QPushButton *mainButton() const { return m_main; }
    QPushButton *cmdCancel() const { return m_cancel; }
    const QList<QLabel *> &textLabels() const { return m_texts; }

protected:
    AuthorizePrompt(AppState &state, const QString &name, const QStringList &texts, const QString &mainName,
                    const QString &mainText, int mainWidth, QWidget *parent);

    void Form_Load() override;
    void showEvent(QShowEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void answer(bool ok);

    QList<QLabel *> m_texts;
    QPushButton *m_main;
    QPushButton *m_cancel;
    bool m_ok = false;
};

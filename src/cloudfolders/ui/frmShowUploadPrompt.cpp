#include "cloudfolders/ui/frmShowUploadPrompt.h"

#include "core/AppState.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "core/ui/SkinArt.h"
#include "core/ui/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

QString frmShowUploadPrompt::messageText()
{
    return QStringLiteral(
        "\"Your Photos have been Flazzed to the selected service\". Depending on their size and "
        "number, it may take a few minutes for the process to be completed. Please refresh your "
        "browser to verify. Do note that sometimes, due to one or more reasons like traffic, "
        "internet speed, etc., the process may not compete at all. You may need to re-Flazz the "
        "incomplete process in such a case.");
}

frmShowUploadPrompt::frmShowUploadPrompt(AppState &state, QWidget *parent)
    : SkinnedDialog(state, parent), m_message(new QLabel(messageText(), this)),
      m_doNotShow(new QCheckBox(QStringLiteral("Don't show this message again"), this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("frmShowUploadPrompt"));
    titleLabel()->setText(QStringLiteral("Important "));
    setFixedSize(twips(6900), twips(3600));

    const int margin = twips(360);
    m_message->setObjectName(QStringLiteral("lblMessage"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setGeometry(margin, TitleBarHeight + twips(210), width() - 2 * margin, twips(1980));

    const int bottomRow = height() - twips(330) - twips(405);
    m_doNotShow->setObjectName(QStringLiteral("chkDoNotShowMeAgain"));
    m_doNotShow->setStyleSheet(SkinArt::checkBoxStyleSheet(skin()));
    m_doNotShow->setGeometry(margin, bottomRow, twips(3900), twips(405));

    m_ok->setObjectName(QStringLiteral("cmdOK"));
    skinButton(m_ok);
    m_ok->setGeometry(width() - margin - twips(1290), bottomRow, twips(1290), twips(405));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &frmShowUploadPrompt::cmdOK_Click);
}

void frmShowUploadPrompt::cmdOK_Click()
{
    // The notice stays on when the settings file cannot keep the choice.
    if (m_doNotShow->isChecked() &&
        SettingsStore(state().SettingsFile)
            .write(QLatin1String(SettingsKey::UploadPrompt), QStringLiteral("False")))
        state().UploadPromptEnabled = false;
    accept();
}

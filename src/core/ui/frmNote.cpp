#include "core/ui/frmNote.h"

#include "core/AppState.h"
#include "core/ui/SkinArt.h"
#include "core/ui/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

frmNote::frmNote(AppState &state, QWidget *parent)
    : SkinnedDialog(state, parent),
      m_dontShow(new QCheckBox(QStringLiteral("Don't show this message again"), this)),
      m_ok(new QPushButton(QStringLiteral("Ok"), this))
{
    setObjectName(QStringLiteral("frmNote"));
    setWindowTitle(QStringLiteral("Important Note"));
    titleLabel()->setText(QStringLiteral("Important Note"));
    setFixedSize(twips(6900), twips(3900));

    const int margin = twips(360);
    auto *message = new QLabel(this);
    message->setObjectName(QStringLiteral("lblMessage"));
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message->setText(
        QStringLiteral(
            "You have selected the most time-consuming choice to Flazz your Photos. The success of "
            "completion of the activity with this choice depends on the number of Photos, your internet "
            "connection, the traffic on the service, as well as non-specific issues.") +
        QStringLiteral("\n\n") +
        QStringLiteral(
            "If this choice is very important to you, and you want to be absolutely sure of the success, "
            "you may want to upload your Photos using the service itself."));
    message->setGeometry(margin, TitleBarHeight + twips(210), width() - 2 * margin, twips(2280));

    const int bottomRow = height() - twips(330) - twips(405);
    m_dontShow->setObjectName(QStringLiteral("chkDontShow"));
    m_dontShow->setStyleSheet(SkinArt::checkBoxStyleSheet(skin()));
    m_dontShow->setGeometry(margin, bottomRow, twips(3900), twips(405));

    m_ok->setObjectName(QStringLiteral("cmdOk"));
    skinButton(m_ok);
    m_ok->setGeometry(width() - margin - twips(1290), bottomRow, twips(1290), twips(405));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

void frmNote::Form_Unload()
{
    state().NoteSuppressed = m_dontShow->isChecked();
}

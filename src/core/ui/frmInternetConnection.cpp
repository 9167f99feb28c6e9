#include "core/ui/frmInternetConnection.h"

#include "core/ui/Twips.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

frmInternetConnection::frmInternetConnection(AppState &state, QWidget *parent)
    : SkinnedDialog(state, parent), m_ok(new QPushButton(QStringLiteral("OK"), this)),
      m_endProgram(endProgramAction(0))
{
    setObjectName(QStringLiteral("frmInternetConnection"));
    titleLabel()->setText(QStringLiteral("Internet Connection Error"));
    setTitleCloseShown(false);
    setFixedSize(twips(5520), twips(2430));

    auto *message = new QLabel(
        QStringLiteral("Error encountered while connecting to the Internet. Please try again later."), this);
    message->setObjectName(QStringLiteral("lblMessage"));
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    message->setGeometry(twips(360), TitleBarHeight + twips(150), width() - 2 * twips(360), twips(1020));

    m_ok->setObjectName(QStringLiteral("cmdOk"));
    skinButton(m_ok);
    m_ok->setGeometry(width() - twips(360) - twips(1290), twips(1770), twips(1290), twips(405));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
}

void frmInternetConnection::cmdOk_Click()
{
    const bool endAll = m_authBrowserShowing && m_authBrowserShowing();
    accept();
    if (endAll && m_endProgram)
        m_endProgram();
}

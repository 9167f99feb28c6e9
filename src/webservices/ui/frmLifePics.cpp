#include "webservices/ui/frmLifePics.h"

#include "core/Skin.h"
#include "core/ui/ErrorBoundary.h"
#include "core/ui/LinkLabel.h"
#include "core/ui/SkinArt.h"
#include "core/ui/Twips.h"
#include "webservices/flows/PrintFlow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>

namespace {

constexpr int kViewWidth = 360;
constexpr int kSignInHeight = 230;
constexpr int kProgressHeight = 110;
// Room around the shown view.
constexpr int kMargin = twips(180);

} // namespace

frmLifePics::frmLifePics(AppState &state, PrintFlow *flow, const QString &serviceName, QWidget *parent)
    : SkinnedDialog(state, parent), m_flow(flow), m_signIn(new QWidget(this)), m_progress(new QWidget(this)),
      m_close(new LinkLabel(QStringLiteral("Close"), QColor(0xC1, 0x06, 0x06), this)),
      m_email(new QLineEdit(m_signIn)), m_password(new QLineEdit(m_signIn)),
      m_login(new QPushButton(QStringLiteral("Login"), m_signIn)), m_meter(new QProgressBar(m_progress)),
      m_status(new QLabel(m_progress)), m_cancel(new QPushButton(QStringLiteral("Cancel"), m_progress))
{
    setObjectName(QStringLiteral("frmLifePics"));
    setWindowTitle(QStringLiteral("Flazz"));
    setTitleCloseShown(false);
    m_close->setObjectName(QStringLiteral("btnClose"));
    QFont bold = m_close->font();
    bold.setBold(true);
    m_close->setFont(bold);
    m_close->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(m_close, &LinkLabel::clicked, this, [this] {
        if (!m_busy)
            reject();
    });

    // Sign-in view.
    m_signIn->setObjectName(QStringLiteral("fraSignIn"));
    const QString boxStyle = SkinArt::textBoxStyleSheet(skin());
    int y = 4;
    auto addRow = [&](const QString &caption, QLineEdit *box, const QString &name) {
        auto *label = new QLabel(caption, m_signIn);
        label->setGeometry(0, y + 4, 80, 20);
        box->setObjectName(name);
        box->setStyleSheet(boxStyle);
        box->setGeometry(84, y, kViewWidth - 84, 26);
        y += 36;
    };
    addRow(QStringLiteral("E-mail:"), m_email, QStringLiteral("txtEmailAddress"));
    addRow(QStringLiteral("Password:"), m_password, QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    connect(m_password, &QLineEdit::returnPressed, this, &frmLifePics::btnLifePicsLogin_Click);

    const QColor link = Skin::linkColor(skin());
    auto *forgot = new LinkLabel(QStringLiteral("Forgot Password?"), link, m_signIn);
    forgot->setObjectName(QStringLiteral("lblForgotPassword"));
    forgot->setGeometry(84, y, 130, 18);
    auto *create = new LinkLabel(QStringLiteral("Create Account"), link, m_signIn);
    create->setObjectName(QStringLiteral("lblCreateAccount"));
    create->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    create->setGeometry(kViewWidth - 130, y, 130, 18);
    connect(forgot, &LinkLabel::clicked, this, [this] {
        if (m_flow)
            m_flow->openPasswordFinder();
    });
    connect(create, &LinkLabel::clicked, this, [this] {
        if (m_flow)
            m_flow->openCreateAccount();
    });
    y += 28;

    auto *note =
        new QLabel(QStringLiteral("Photos will be flazzed in their original resolution only. Any other "
                                  "choice made by you, is ignored for this service."),
                   m_signIn);
    note->setObjectName(QStringLiteral("lblNote"));
    note->setWordWrap(true);
    note->setGeometry(0, y, kViewWidth, 40);
    y += 48;
    m_login->setObjectName(QStringLiteral("btnLifePicsLogin"));
    skinButton(m_login);
    m_login->setGeometry(kViewWidth - 90, y, 90, 28);
    m_login->setDefault(true);
    connect(m_login, &QPushButton::clicked, this, &frmLifePics::btnLifePicsLogin_Click);
    m_signIn->setGeometry(kMargin, TitleBarHeight + kMargin, kViewWidth, kSignInHeight);
    Q_UNUSED(serviceName);

    // Progress view.
    m_progress->setObjectName(QStringLiteral("fraProgress"));
    m_meter->setObjectName(QStringLiteral("pbrStatus"));
    m_meter->setTextVisible(false);
    m_meter->setGeometry(0, 4, kViewWidth, 18);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setGeometry(0, 30, kViewWidth, 22);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    skinButton(m_cancel);
    m_cancel->setGeometry(kViewWidth - 90, 66, 90, 28);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_flow)
            m_flow->cancelPressed();
    });
    m_progress->setGeometry(kMargin, TitleBarHeight + kMargin, kViewWidth, kProgressHeight);

    SetBusy(false);
}

void frmLifePics::Form_Load()
{
    if (m_flow)
        m_email->setText(m_flow->storedEmail());
    if (m_email->text().isEmpty())
        m_email->setFocus();
    else
        m_password->setFocus();
}

void frmLifePics::SetBusy(bool busy)
{
    m_busy = busy;
    titleLabel()->setText(busy ? QStringLiteral("Progress") : QStringLiteral("LifePics Authentication"));
    m_signIn->setVisible(!busy);
    m_progress->setVisible(busy);
    m_close->setVisible(!busy);
    const QWidget *shown = busy ? m_progress : m_signIn;
    setFixedSize(shown->width() + 2 * kMargin, TitleBarHeight + shown->height() + 2 * kMargin);
    m_close->setGeometry(width() - 58, 5, 48, TitleBarHeight - 10);
}

void frmLifePics::btnLifePicsLogin_Click()
{
    // Enter in the password box must not start a second login inside one.
    if (!m_flow || m_loggingIn)
        return;
    m_loggingIn = true;
    const auto over = qScopeGuard([this] { m_loggingIn = false; });
    bool close = false;
    const ErrorSite site{QStringLiteral("Print"), QStringLiteral("frmLifePics"),
                         QStringLiteral("btnLifePicsLogin_Click")};
    if (!RunTrapped(state(), m_flow->prompt(), site, [this, &close] { close = m_flow->login(*this); })) {
        // Nobody knows how far the order got: the window does not stay on
        // a meter that will never move again.
        SetBusy(false);
        reject();
        return;
    }
    if (close)
        accept();
}

void frmLifePics::reject()
{
    if (!m_busy)
        SkinnedDialog::reject();
}

QString frmLifePics::email() const
{
    return m_email->text();
}

QString frmLifePics::password() const
{
    return m_password->text();
}

void frmLifePics::setStatus(const QString &text)
{
    m_status->setText(text);
}

void frmLifePics::setMeter(int minimum, int value, int maximum)
{
    m_meter->setRange(minimum, maximum);
    m_meter->setValue(value);
}

void frmLifePics::stepMeter()
{
    m_meter->setValue(m_meter->value() + 1);
}

void frmLifePics::processEvents()
{
    QApplication::processEvents();
}

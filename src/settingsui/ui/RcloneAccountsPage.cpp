#include "settingsui/ui/RcloneAccountsPage.h"

#include "core/UserPrompt.h"
#include "webkit/ServiceId.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

// The kinds of account connected from here: rclone's type and the name a
// first one of them is offered.
struct Kind
{
    Service service;
    const char *text;
    const char *firstName;
};
constexpr Kind kKinds[] = {{Service::Dropbox, "Dropbox", "Dropbox"},
                           {Service::Google, "Google Drive", "GoogleDrive"},
                           {Service::SkyDrive, "OneDrive (SkyDrive)", "OneDrive"}};

QLabel *label(const QString &text, QWidget *parent, const QRect &geometry)
{
    auto *l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}

} // namespace

RcloneAccountsPage::RcloneAccountsPage(RcloneSetup setup, QString settingsFile, SignIn &signIn,
                                       UserPrompt &prompt, QWidget *parent)
    : QWidget(parent), m_setup(std::move(setup)), m_settingsFile(std::move(settingsFile)), m_signIn(signIn),
      m_prompt(prompt)
{
    setObjectName(QStringLiteral("RcloneAccountsPage"));
    const int width = parent ? parent->width() - 24 : 344;
    label(QStringLiteral("Your rclone accounts (remotes):"), this, QRect(0, 0, width, 20));
    m_remotes = new QListWidget(this);
    m_remotes->setObjectName(QStringLiteral("lstRemotes"));
    m_remotes->setGeometry(0, 20, width, 52);
    // The skins colour texts for their backgrounds; the list keeps its own.
    m_remotes->setStyleSheet(QStringLiteral("QListWidget { color: black; background: white; }"));

    label(QStringLiteral("Connect:"), this, QRect(0, 82, 60, 24));
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("cboAccountKind"));
    m_kind->setGeometry(60, 80, 130, 26);
    for (const Kind &kind : kKinds)
        m_kind->addItem(QString::fromLatin1(kind.text), int(kind.service));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("txtAccountName"));
    m_name->setPlaceholderText(QStringLiteral("Name"));
    m_name->setGeometry(196, 80, width - 196 - 76, 26);
    m_connect = new QPushButton(QStringLiteral("Connect"), this);
    m_connect->setObjectName(QStringLiteral("btnConnectAccount"));
    m_connect->setGeometry(width - 70, 80, 70, 26);
    connect(m_connect, &QPushButton::clicked, this, &RcloneAccountsPage::connectAccount);

    label(QStringLiteral("The buttons send to:"), this, QRect(0, 112, width, 20));
    int y = 132;
    for (const Service service : RcloneRoutes::kRouted) {
        label(ServiceId(service).displayName() + u':', this, QRect(0, y + 3, 100, 20));
        auto *routes = new QComboBox(this);
        routes->setObjectName(u"cboRoute" + ServiceId(service).displayName().remove(u' '));
        routes->setGeometry(104, y, width - 104, 24);
        connect(routes, &QComboBox::activated, this, [this, service] { routeChosen(service); });
        m_routes[size_t(service)] = routes;
        y += 26;
    }
    resize(width, y);
}

void RcloneAccountsPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        refresh();
    }
}

void RcloneAccountsPage::refresh()
{
    m_loaded = true;
    QString error;
    if (!listRcloneRemotes(m_setup, &m_known, &error)) {
        m_known.clear();
        m_remotes->clear();
        m_remotes->addItem(error);
        m_connect->setEnabled(false);
    } else {
        m_remotes->clear();
        for (const RcloneRemoteInfo &remote : m_known)
            m_remotes->addItem(remote.name + u"  (" + remote.type + u')');
        if (m_known.isEmpty())
            m_remotes->addItem(QStringLiteral("None yet: connect one below."));
        m_connect->setEnabled(true);
    }
    fillRoutes();
}

void RcloneAccountsPage::fillRoutes()
{
    m_filling = true;
    for (const Service service : RcloneRoutes::kRouted) {
        QComboBox *routes = m_routes[size_t(service)];
        routes->clear();
        routes->addItem(ServiceId(service).displayName() + QStringLiteral(" itself"), QString());
        // The button's own kind first; any other remote after them, so that
        // one kept on a WebDAV or SFTP server (the sandbox's, for one) can
        // take the familiar button too.
        for (const bool own : {true, false}) {
            for (const RcloneRemoteInfo &remote : m_known) {
                if ((remote.type == RcloneRoutes::remoteType(service)) == own)
                    routes->addItem(u"rclone: " + remote.name +
                                        (own ? QString() : u" (" + remote.type + u')'),
                                    remote.name);
            }
        }
        const QString chosen = RcloneRoutes::chosen(m_settingsFile, service);
        int index = routes->findData(chosen);
        if (index < 0 && !chosen.isEmpty()) {
            // Kept though rclone does not list it now (renamed, or another
            // configuration): the user sees what the button does.
            routes->addItem(u"rclone: " + chosen + QStringLiteral(" (not found)"), chosen);
            index = routes->count() - 1;
        }
        routes->setCurrentIndex(qMax(0, index));
    }
    m_filling = false;
}

void RcloneAccountsPage::routeChosen(Service service)
{
    if (m_filling)
        return;
    const QString remote = m_routes[size_t(service)]->currentData().toString();
    if (!RcloneRoutes::choose(m_settingsFile, service, remote))
        m_prompt.systemMessage(QStringLiteral("The choice could not be stored in the settings file."),
                               MsgStyle::Information, QStringLiteral("Flazz"));
}

void RcloneAccountsPage::connectAccount()
{
    const Kind &kind = kKinds[qBound(0, m_kind->currentIndex(), int(std::size(kKinds)) - 1)];
    QString name = m_name->text().trimmed();
    if (name.isEmpty()) {
        // The first free of "Dropbox", "Dropbox2", ...
        name = QString::fromLatin1(kind.firstName);
        for (int n = 2; std::any_of(m_known.cbegin(), m_known.cend(),
                                    [&](const RcloneRemoteInfo &r) { return r.name == name; });
             ++n)
            name = QString::fromLatin1(kind.firstName) + QString::number(n);
    }
    const auto tell = [this](const QString &text) {
        m_prompt.systemMessage(text, MsgStyle::Information, QStringLiteral("Flazz"));
    };
    if (!isRcloneRemoteName(name)) {
        tell(QStringLiteral(
                 "\"%1\" cannot name an account: use letters, digits, blanks, \"-\", \"_\" or \".\".")
                 .arg(name));
        return;
    }
    m_connect->setEnabled(false);
    QString error;
    const bool made = authorizeRcloneRemote(m_setup, name, RcloneRoutes::remoteType(kind.service), {}, false,
                                            m_signIn, &error);
    m_connect->setEnabled(true);
    if (!made) {
        tell(error);
        return;
    }
    m_name->clear();
    // A new account is there to be used: its button sends to it from now on.
    RcloneRoutes::choose(m_settingsFile, kind.service, name);
    refresh();
}

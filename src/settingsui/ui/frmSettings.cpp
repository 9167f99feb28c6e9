#include "settingsui/ui/frmSettings.h"

#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "core/Skin.h"
#include "core/UploadSizes.h"
#include "core/UserPrompt.h"
#include "core/Version.h"
#include "core/app/Startup.h"
#include "core/ui/ErrorBoundary.h"
#include "core/ui/LinkLabel.h"
#include "core/ui/SkinArt.h"
#include "platform/Autostart.h"
#include "platform/Shell.h"
#include "platform/ui/WindowTools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kWidth = 620; // wide enough to name the account beside each service
constexpr int kHeight = 360;
constexpr int kMenuLeft = 14;
constexpr int kMenuWidth = 130;
constexpr int kPageLeft = kMenuLeft + kMenuWidth + 14;
constexpr int kPageWidth = kWidth - kPageLeft - 14;
constexpr int kPageTop = SkinnedDialog::TitleBarHeight + 14;
constexpr int kPageHeight = kHeight - kPageTop - 60;

// The menu in its two looks; the gradient runs top to bottom.
const QString kPlainLook = QStringLiteral(
    "QPushButton { color: black; font-weight: normal; border: 1px solid #b8b8b8; border-radius: 4px;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:1 #E0E0E0); text-align: left;"
    " padding-left: 10px; }");
const QString kSelectedLook = QStringLiteral(
    "QPushButton { color: black; font-weight: bold; border: 1px solid #9a9a9a; border-radius: 4px;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #C0C0C0, stop:1 #F4F4F4); text-align: left;"
    " padding-left: 10px; }");

struct Entry
{
    const char16_t *text;
    int data;
};

constexpr Entry kSkins[] = {{u"Blue", 1},  {u"Classic Grey", 0}, {u"Dark Grey", 5},
                            {u"Green", 4}, {u"Purple", 3},       {u"Red", 2}};

QString settingsKey(const char *key)
{
    return QString::fromLatin1(key);
}

QLabel *text(const QString &content, QWidget *parent, const QRect &geometry, bool wrap = true)
{
    auto *label = new QLabel(content, parent);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

} // namespace

QString frmSettings::accountText(const QString &settingsFile, Service service)
{
    using namespace SettingsKey;
    const SettingsStore settings(settingsFile);
    const auto has = [&settings](const char *key) { return !settings.readOr(settingsKey(key)).isEmpty(); };
    // Only what the sign-ins stored is shown: the id a service answered
    // with, where it keeps one; never a token, and nothing is asked online.
    bool signedIn = false;
    QString account;
    switch (service) {
    case Service::Facebook:
        signedIn = has(FacebookAccessToken);
        account = settings.readOr(settingsKey(FacebookID));
        break;
    case Service::Flickr:
        signedIn = has(FlickrAccessToken);
        break;
    case Service::SkyDrive:
        signedIn = has(SkyDriveAccessToken) || has(SkyDriveRefreshToken);
        break;
    case Service::Google:
        // The id outlives a re-authorization; it names the account only
        // while a token is there.
        signedIn = has(GoogleAccessToken) || has(GoogleRefreshToken);
        account = settings.readOr(settingsKey(GoogleID));
        break;
    case Service::Dropbox:
        signedIn = has(DropBoxToken);
        account = settings.readOr(settingsKey(DropBoxUid));
        break;
    }
    if (!signedIn)
        return QStringLiteral("Not signed in");
    account = account.trimmed();
    return account.isEmpty() ? QStringLiteral("Signed in") : QStringLiteral("Signed in as ") + account;
}

frmSettings::frmSettings(AppState &state, UserPrompt &prompt, platform::Shell &shell, QString productSite,
                         QWidget *parent)
    : SkinnedDialog(state, parent), m_prompt(prompt), m_shell(shell), m_productSite(std::move(productSite))
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Flazz"));
    setFixedSize(kWidth, kHeight);
    titleLabel()->setObjectName(QStringLiteral("lblCaption"));
    titleLabel()->setText(QStringLiteral("Settings"));
    setTitleCloseShown(false);
    m_btnClose = new LinkLabel(QStringLiteral("Close"), QColor(0xC1, 0x06, 0x06), this);
    m_btnClose->setObjectName(QStringLiteral("btnClose"));
    QFont bold = m_btnClose->font();
    bold.setBold(true);
    m_btnClose->setFont(bold);
    m_btnClose->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_btnClose->setGeometry(kWidth - 58, 5, 48, TitleBarHeight - 10);
    connect(m_btnClose, &LinkLabel::clicked, this, &QDialog::reject);

    // The left menu, in its designed order.
    const std::pair<int, QString> menu[] = {{SkinPage, QStringLiteral("Skin")},
                                            {UploadPage, QStringLiteral("Flazz")},
                                            {AuthorizationPage, QStringLiteral("Authorization")},
                                            {CloudPage, QStringLiteral("Cloud accounts")},
                                            {AboutPage, QStringLiteral("About")}};
    int y = kPageTop;
    for (const auto &[index, caption] : menu) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(QStringLiteral("btnMode%1").arg(index));
        button->setProperty("Tag", QStringLiteral("LeftMenu"));
        button->setCursor(Qt::PointingHandCursor);
        button->setGeometry(kMenuLeft, y, kMenuWidth, 32);
        connect(button, &QPushButton::clicked, this, [this, i = index] { btnMode_Click(i); });
        m_btnMode[size_t(index)] = button;
        y += 38;
    }

    const QRect line(0, 40, kPageWidth - 24, 22);

    QFrame *skinPage = addPage(QStringLiteral("fraSkin"), QStringLiteral("Skin"));
    text(QStringLiteral("Select Skin:"), skinPage, line.translated(12, 0), false);
    m_cboSkin = new QComboBox(skinPage);
    m_cboSkin->setObjectName(QStringLiteral("cboSkin"));
    m_cboSkin->setGeometry(12, 66, 220, 26);
    m_pages[SkinPage] = skinPage;

    QFrame *uploadPage = addPage(QStringLiteral("fraUploadSettings"), QStringLiteral("Flazz"));
    text(QStringLiteral("Select a Photo Size:"), uploadPage, line.translated(12, 0), false);
    m_cboUploadSize = new QComboBox(uploadPage);
    m_cboUploadSize->setObjectName(QStringLiteral("cboUploadSize"));
    m_cboUploadSize->setGeometry(12, 66, 260, 26);
    connect(m_cboUploadSize, &QComboBox::activated, this, &frmSettings::cboUploadSize_Click);
    text(QStringLiteral(
             "Note: Flazzing Photos in their original size is a time consuming activity, and depends on "
             "their size/internet connection speed. To Flazz quickly, use the 1024 pixels setting."),
         uploadPage, QRect(12, 108, kPageWidth - 24, 70));
    m_chkStartAtLogin =
        new QCheckBox(QStringLiteral("Start Flazz in the notification area when I log in"), uploadPage);
    m_chkStartAtLogin->setObjectName(QStringLiteral("chkStartAtLogin"));
    m_chkStartAtLogin->setGeometry(12, 186, kPageWidth - 24, 24);
    m_chkKeepMetadata = new QCheckBox(QStringLiteral("Send location and camera details"), uploadPage);
    m_chkKeepMetadata->setObjectName(QStringLiteral("chkKeepMetadata"));
    m_chkKeepMetadata->setStyleSheet(SkinArt::checkBoxStyleSheet(skin()));
    m_chkKeepMetadata->setToolTip(
        QStringLiteral("Photos always keep their date, orientation, colours, artist, copyright and "
                       "description. Tick this to also send their GPS position, camera serial numbers, "
                       "maker notes and thumbnails."));
    m_chkKeepMetadata->setGeometry(12, 214, kPageWidth - 24, 24);
    m_cmdClearHistory = new QPushButton(QStringLiteral("Forget which photos were sent"), uploadPage);
    m_cmdClearHistory->setObjectName(QStringLiteral("cmdClearHistory"));
    m_cmdClearHistory->setToolTip(QStringLiteral(
        "Flazz asks before sending a photo again to a folder that has it. This forgets every photo sent."));
    m_cmdClearHistory->setGeometry(12, 246, 240, 26);
    m_cmdClearHistory->setVisible(false);
    connect(m_cmdClearHistory, &QPushButton::clicked, this, [this] {
        if (m_clearHistory && m_clearHistory()) {
            m_cmdClearHistory->setText(QStringLiteral("Sent photos forgotten"));
            m_cmdClearHistory->setEnabled(false);
        } else {
            m_prompt.systemMessage(QStringLiteral("The list of photos sent cannot be cleared."),
                                   MsgStyle::OkOnly | MsgStyle::Exclamation, QStringLiteral("Flazz"));
        }
    });
    m_pages[UploadPage] = uploadPage;

    QFrame *authPage = addPage(QStringLiteral("fraAuth"), QStringLiteral("Authorization"));
    text(QStringLiteral(
             "For some reason, if the Service Authorization is lost or removed, you can re-authorize "
             "from here."),
         authPage, QRect(12, 36, kPageWidth - 24, 40));
    y = 80;
    for (const Service service :
         {Service::Dropbox, Service::Google, Service::SkyDrive, Service::Flickr, Service::Facebook}) {
        const ServiceDescriptor &row = describe(service);
        text(QString::fromUtf16(row.settingsLabel), authPage, QRect(12, y + 5, 88, 20), false);
        auto *button = new QPushButton(QStringLiteral("Authorize"), authPage);
        button->setObjectName(QStringLiteral("btnRevoke%1").arg(row.settingsRow));
        skinButton(button);
        button->setGeometry(100, y, 84, 27);
        connect(button, &QPushButton::clicked, this,
                [this, index = row.settingsRow] { btnRevoke_Click(index); });
        m_btnRevoke[size_t(row.settingsRow)] = button;
        QLabel *account = text(QString(), authPage, QRect(192, y + 5, kPageWidth - 200, 20), false);
        account->setObjectName(QStringLiteral("lblAccount%1").arg(row.settingsRow));
        m_lblAccount[size_t(row.settingsRow)] = account;
        y += 33;
    }
    m_pages[AuthorizationPage] = authPage;

    m_pages[CloudPage] = addPage(QStringLiteral("fraClouds"), QStringLiteral("Cloud accounts"));

    QFrame *aboutPage = addPage(QStringLiteral("fraAbout"), QStringLiteral("About"));
    QLabel *product = text(QStringLiteral("Flazz"), aboutPage, QRect(12, 36, 200, 26), false);
    QFont big = product->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    product->setFont(big);
    text(QStringLiteral("You can Flazz and Share your Photos to various services like a breeze. You can also "
                        "order Prints online."),
         aboutPage, QRect(12, 66, kPageWidth - 24, 36));
    text(QStringLiteral(
             "Flazz uses various APIs provided by the relevant services. This program is not endorsed "
             "by or affiliated by any of them. Each service is the owner of its respective Trade Marks, "
             "and/or other rights."),
         aboutPage, QRect(12, 106, kPageWidth - 24, 66));
    m_lblVersion = text(QStringLiteral("Version: "), aboutPage, QRect(12, 178, 200, 20), false);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));
    text(QStringLiteral("Website: "), aboutPage, QRect(12, 202, 64, 20), false);
    m_label4 = new LinkLabel(m_productSite, Skin::linkColor(skin()), aboutPage);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setGeometry(76, 202, kPageWidth - 100, 20);
    connect(m_label4, &LinkLabel::clicked, this, [this] { m_shell.open(m_productSite); });
    m_pages[AboutPage] = aboutPage;

    m_btnAction = new QPushButton(QStringLiteral("OK"), this);
    m_btnAction->setObjectName(QStringLiteral("btnAction"));
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    skinButton(m_btnAction);
    skinButton(m_cmdCancel);
    m_cmdCancel->setGeometry(kWidth - 14 - 90, kHeight - 44, 90, 28);
    m_btnAction->setGeometry(m_cmdCancel->x() - 100, kHeight - 44, 90, 28);
    m_btnAction->setDefault(true);
    connect(m_btnAction, &QPushButton::clicked, this, &frmSettings::btnAction_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QFrame *frmSettings::addPage(const QString &name, const QString &title)
{
    auto *page = new QFrame(this);
    page->setObjectName(name);
    page->setGeometry(kPageLeft, kPageTop, kPageWidth, kPageHeight);
    page->setFrameShape(QFrame::StyledPanel);
    QLabel *heading = text(title, page, QRect(12, 8, kPageWidth - 24, 24), false);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    heading->setFont(bold);
    page->hide();
    return page;
}

QPushButton *frmSettings::btnMode(int index) const
{
    return index >= 0 && index < int(m_btnMode.size()) ? m_btnMode[size_t(index)] : nullptr;
}

int frmSettings::currentPage() const
{
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i] && !m_pages[i]->isHidden())
            return int(i);
    }
    return -1;
}

void frmSettings::setClearHistory(std::function<bool()> clear)
{
    m_clearHistory = std::move(clear);
    m_cmdClearHistory->setVisible(bool(m_clearHistory));
}

void frmSettings::Form_Load()
{
    m_filling = true;
    FillSettingsLists();
    showAccounts();
    btnMode_Click(SkinPage);
    m_filling = false;
}

void frmSettings::FillSettingsLists()
{
    m_lblVersion->setText(QStringLiteral("Version: ") + u' ' + QString::fromLatin1(Version::Text));
    m_cboUploadSize->clear();
    for (const UploadSizeChoice &size : kUploadSizes)
        m_cboUploadSize->addItem(QString::fromUtf16(size.caption), size.pixels);
    m_cboUploadSize->setCurrentIndex(uploadSizeIndex(state().UploadSize));
    m_chkKeepMetadata->setChecked(state().KeepMetadata);
    m_cboSkin->clear();
    for (const Entry &entry : kSkins)
        m_cboSkin->addItem(QString::fromUtf16(entry.text), entry.data);
    m_cboSkin->setCurrentIndex(m_cboSkin->findData(state().Skin));
    m_chkStartAtLogin->setChecked(Startup::loginStart().enabled());
}

void frmSettings::showAccounts()
{
    for (const ServiceDescriptor &row : serviceDescriptors()) {
        QLabel *label = m_lblAccount[size_t(row.settingsRow)];
        const QString account = accountText(state().SettingsFile, row.service);
        label->setToolTip(account);
        label->setText(label->fontMetrics().elidedText(account, Qt::ElideRight, label->width()));
    }
}

void frmSettings::btnMode_Click(int index)
{
    for (QPushButton *button : m_btnMode) {
        if (button && button->property("Tag") == QLatin1String("LeftMenu"))
            button->setStyleSheet(kPlainLook);
    }
    if (QPushButton *clicked = btnMode(index))
        clicked->setStyleSheet(kSelectedLook);
    for (QFrame *page : m_pages) {
        if (page)
            page->hide();
    }
    if (index >= 0 && index < int(m_pages.size()) && m_pages[size_t(index)])
        m_pages[size_t(index)]->show();
}

void frmSettings::cboUploadSize_Click(int index)
{
    if (index == 0 && !m_filling && !state().NoteSuppressed)
        m_prompt.uploadSizeNote();
}

void frmSettings::btnAction_Click()
{
    AppState &s = state();
    s.UploadSize = m_cboUploadSize->currentData().toInt();
    // A skin out of range left the list without a choice; it stays as it was.
    if (m_cboSkin->currentIndex() >= 0)
        s.Skin = m_cboSkin->currentData().toInt();
    const platform::Autostart loginStart = Startup::loginStart();
    if (m_chkStartAtLogin->isChecked() != loginStart.enabled() &&
        !loginStart.setEnabled(m_chkStartAtLogin->isChecked()))
        qWarning("The log-in entry %s could not be changed", qPrintable(loginStart.entryPath()));
    s.KeepMetadata = m_chkKeepMetadata->isChecked();
    SettingsStore store(s.SettingsFile);
    if (store.writeAdding({{QString::fromLatin1(SettingsKey::UploadSize), QString::number(s.UploadSize)},
                           {QString::fromLatin1(SettingsKey::Skin), QString::number(s.Skin)},
                           {QString::fromLatin1(SettingsKey::KeepMetadata),
                            s.KeepMetadata ? QStringLiteral("True") : QStringLiteral("False")}})) {
        if (m_applySkin)
            m_applySkin();
    }
    accept();
}

void frmSettings::btnRevoke_Click(int index)
{
    const ServiceDescriptor *row = nullptr;
    for (const ServiceDescriptor &service : serviceDescriptors()) {
        if (service.settingsRow == index)
            row = &service;
    }
    if (!row)
        return;
    std::vector<std::pair<QString, QString>> emptied;
    for (const QString &key : row->authorizationKeyList())
        emptied.emplace_back(key, QString());
    // A settings file that does not load is left alone; the sign-in runs all the same.
    SettingsStore(state().SettingsFile).write(emptied);
    bool signedIn = false;
    const ErrorSite site{QStringLiteral("Settings"), QStringLiteral("frmSettings"),
                         QStringLiteral("btnRevoke_Click")};
    const bool finished = RunTrapped(state(), m_prompt, site, [this, row, &signedIn] {
        const std::function<bool()> &signIn = m_signIns[size_t(row->service)];
        signedIn = signIn && signIn();
    });
    if (finished && !signedIn)
        funcMessageDisplay(state(), m_prompt, MessageNo::AuthorizationUnsuccessful);
    showAccounts();
}

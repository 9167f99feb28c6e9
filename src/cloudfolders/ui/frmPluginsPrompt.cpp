#include "cloudfolders/ui/frmPluginsPrompt.h"

#include "core/AppState.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "core/Skin.h"
#include "core/ui/SkinArt.h"
#include "core/ui/Twips.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {

constexpr int kMargin = twips(360);
constexpr int kRowHeight = twips(330);

} // namespace

frmPluginsPrompt::frmPluginsPrompt(AppState &state, SyncFolders folders,
                                   ServiceConfig::DesktopClients downloads, platform::Shell &shell,
                                   QWidget *parent)
    : SkinnedDialog(state, parent), m_folders(std::move(folders)), m_downloads(std::move(downloads)),
      m_shell(shell), m_message(new QLabel(this)),
      m_skyDrive(new QLabel(QStringLiteral("1) Skydrive - "), this)),
      m_googleDrive(new QLabel(QStringLiteral("2) Google Drive -"), this)),
      m_dropbox(new QLabel(QStringLiteral("3) Dropbox -"), this)),
      m_doNotShow(new QCheckBox(QStringLiteral("Don't show this message again"), this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("frmPluginsPrompt"));
    titleLabel()->setText(QStringLiteral("Information"));
    setFixedSize(twips(6900), twips(4300));

    m_message->setObjectName(QStringLiteral("lblMessage"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setText(
        QStringLiteral("Flazz has found that you do not have the Desktop versions of one or more of "
                       "the following services. It is recommended that you download these versions:"));
    m_message->setGeometry(kMargin, TitleBarHeight + twips(210), width() - 2 * kMargin, twips(900));

    int top = m_message->geometry().bottom() + twips(180);
    m_skyDrive->setObjectName(QStringLiteral("lblSkydrive"));
    m_googleDrive->setObjectName(QStringLiteral("lblgdrive"));
    m_dropbox->setObjectName(QStringLiteral("lbldropbox"));
    m_skyDriveDownload = downloadLink(QStringLiteral("lblskydrivedownload"), top);
    m_skyDrive->setGeometry(kMargin + twips(240), top, twips(2400), kRowHeight);
    top += kRowHeight + twips(60);
    m_googleDriveDownload = downloadLink(QStringLiteral("lblgdrivedownload"), top);
    m_googleDrive->setGeometry(kMargin + twips(240), top, twips(2400), kRowHeight);
    top += kRowHeight + twips(60);
    m_dropboxDownload = downloadLink(QStringLiteral("lbldropboxdownload"), top);
    m_dropbox->setGeometry(kMargin + twips(240), top, twips(2400), kRowHeight);

    const int bottomRow = height() - twips(330) - twips(405);
    m_doNotShow->setObjectName(QStringLiteral("chkDoNotShowMeAgain"));
    m_doNotShow->setStyleSheet(SkinArt::checkBoxStyleSheet(skin()));
    m_doNotShow->setGeometry(kMargin, bottomRow, twips(3900), twips(405));

    m_ok->setObjectName(QStringLiteral("cmdOK"));
    skinButton(m_ok);
    m_ok->setGeometry(width() - kMargin - twips(1290), bottomRow, twips(1290), twips(405));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &frmPluginsPrompt::cmdOK_Click);
}

QLabel *frmPluginsPrompt::downloadLink(const QString &name, int top)
{
    auto *link = new QLabel(QStringLiteral("Click to Download"), this);
    link->setObjectName(name);
    link->setCursor(Qt::PointingHandCursor);
    QFont font = link->font();
    font.setUnderline(true);
    link->setFont(font);
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, Skin::linkColor(skin()));
    link->setPalette(palette);
    link->setGeometry(kMargin + twips(2760), top, twips(2400), kRowHeight);
    link->installEventFilter(this);
    link->hide();
    return link;
}

void frmPluginsPrompt::Form_Load()
{
    struct Row
    {
        const QString &folder;
        QLabel *label;
        QLabel *download;
    };
    for (const Row &row : {Row{m_folders.dropbox, m_dropbox, m_dropboxDownload},
                           Row{m_folders.skyDrive, m_skyDrive, m_skyDriveDownload},
                           Row{m_folders.google, m_googleDrive, m_googleDriveDownload}}) {
        // Only the SkyDrive label's own trailing blank separates the words.
        if (!row.folder.trimmed().isEmpty())
            row.label->setText(row.label->text() + QStringLiteral("Installed"));
        else
            row.download->show();
    }
}

bool frmPluginsPrompt::eventFilter(QObject *watched, QEvent *event)
{
    auto *link = qobject_cast<QLabel *>(watched);
    if (link && (link == m_dropboxDownload || link == m_skyDriveDownload || link == m_googleDriveDownload)) {
        if (event->type() == QEvent::MouseButtonPress)
            return true; // a link is not a drag handle
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto *release = static_cast<QMouseEvent *>(event);
            if (release->button() != Qt::RightButton &&
                link->rect().contains(release->position().toPoint())) {
                const QString page = link == m_dropboxDownload    ? m_downloads.dropbox
                                     : link == m_skyDriveDownload ? m_downloads.skyDrive
                                                                  : m_downloads.googleDrive;
                m_shell.open(page);
            }
            return true;
        }
    }
    return SkinnedDialog::eventFilter(watched, event);
}

void frmPluginsPrompt::cmdOK_Click()
{
    if (m_doNotShow->isChecked()) {
        // Off for the rest of this run even when the file cannot keep it.
        state().StartupPromptEnabled = false;
        SettingsStore(state().SettingsFile)
            .write(QLatin1String(SettingsKey::StartupPrompt), QStringLiteral("False"));
    }
    accept();
}

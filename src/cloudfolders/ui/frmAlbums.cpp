#include "cloudfolders/ui/frmAlbums.h"

#include "core/AppState.h"
#include "core/ui/Twips.h"
#include "platform/ui/WindowTools.h"
#include "unicodeinput/ui/ctlUnicodeCombo.h"
#include "unicodeinput/ui/ctlUnicodeTextBox.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

frmAlbums::frmAlbums(AppState &state, const ServiceId &service, const QList<AlbumEntry> &entries,
                     bool existingEnabled, OkHandler ok, QWidget *parent)
    : SkinnedDialog(state, parent), m_service(service), m_okHandler(std::move(ok)), m_help(new QLabel(this)),
      m_existing(new QRadioButton(this)), m_new(new QRadioButton(this)), m_albums(new ctlUnicodeCombo(this)),
      m_name(new ctlUnicodeTextBox(this)), m_ok(new QPushButton(QStringLiteral("OK"), this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    const ChooserTexts texts = chooserTexts(service);
    setObjectName(QStringLiteral("frmAlbums"));
    setWindowTitle(QStringLiteral("Flazz"));
    titleLabel()->setText(texts.title);
    const int width = twips(6600);
    const int margin = twips(300);
    // Dropbox's help is one line shorter, so everything below moves up.
    const bool dropbox = service.service() == Service::Dropbox;
    const int helpHeight = dropbox ? twips(560) : twips(800);
    int y = TitleBarHeight + twips(150);

    m_help->setObjectName(QStringLiteral("lblDBHC"));
    m_help->setText(texts.help);
    m_help->setWordWrap(true);
    m_help->setFrameShape(QFrame::StyledPanel);
    m_help->setMargin(6);
    m_help->setGeometry(margin, y, width - 2 * margin, helpHeight);
    platform::DragHandle::install(m_help);
    y += helpHeight + twips(200);

    m_existing->setObjectName(QStringLiteral("rdoExisiting"));
    m_existing->setText(texts.existingCaption);
    m_existing->setGeometry(margin, y, width - 2 * margin, twips(300));
    y += twips(330);
    m_albums->setObjectName(QStringLiteral("uccboAlbum"));
    m_albums->setGeometry(margin + twips(250), y, width - 2 * margin - twips(250), twips(360));
    y += twips(500);
    m_new->setObjectName(QStringLiteral("rdoNew"));
    m_new->setText(texts.newCaption);
    m_new->setGeometry(margin, y, width - 2 * margin, twips(300));
    y += twips(330);
    m_name->setObjectName(QStringLiteral("uctxtAlbum"));
    m_name->setGeometry(margin + twips(250), y, width - 2 * margin - twips(250), twips(360));
    m_name->setAutoDisplayText(texts.placeholder);
    y += twips(600);

    for (QPushButton *button : {m_ok, m_cancel})
        skinButton(button);
    m_ok->setObjectName(QStringLiteral("btnOK"));
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    m_cancel->setGeometry(width - margin - twips(1290), y, twips(1290), twips(405));
    m_ok->setGeometry(width - margin - 2 * twips(1290) - twips(120), y, twips(1290), twips(405));
    m_ok->setDefault(true);
    setFixedSize(width, y + twips(405) + twips(250));

    for (const AlbumEntry &entry : entries) {
        const int index = m_albums->AddItem(entry.text);
        m_albums->setListCargo(index, entry.cargo);
    }
    if (existingEnabled && m_albums->ListCount() > 0) {
        m_albums->setListIndex(0);
        m_existing->setChecked(true);
    } else {
        m_existing->setEnabled(false);
        m_albums->setEnabled(false);
        m_new->setChecked(true);
    }

    connect(m_albums, &ctlUnicodeCombo::Change, this, [this] {
        if (m_existing->isEnabled())
            m_existing->setChecked(true);
    });
    connect(m_name, &ctlUnicodeTextBox::Change, this, [this] { m_new->setChecked(true); });
    connect(m_new, &QRadioButton::clicked, this, [this] { m_name->SetSuperfocus(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { btnOK_Click(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { btnCancel_Click(); });
}

void frmAlbums::btnOK_Click()
{
    if (!m_okHandler)
        return;
    const std::optional<QString> answer =
        m_okHandler(m_new->isChecked(), m_albums->ListIndex(), m_name->Text());
    if (!answer) {
        if (m_new->isChecked())
            m_name->SetSuperfocus();
        return; // the window stays for another try
    }
    m_answer = *answer;
    accept();
}

void frmAlbums::btnCancel_Click()
{
    m_answer.clear();
    reject();
}

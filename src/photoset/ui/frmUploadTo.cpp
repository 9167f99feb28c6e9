#include "photoset/ui/frmUploadTo.h"

#include "core/AppState.h"
#include "core/FormatSize.h"
#include "core/MessageCatalog.h"
#include "core/Skin.h"
#include "core/UploadSizes.h"
#include "core/UserPrompt.h"
#include "core/ui/ErrorBoundary.h"
#include "core/ui/SkinArt.h"
#include "photoset/PhotoAdder.h"
#include "photoset/SendEstimate.h"
#include "photoset/clsTray.h"
#include "photoset/ui/AdPanel.h"
#include "photoset/ui/DropZone.h"
#include "photoset/ui/frmFilesCount.h"
#include "platform/CompanionWindow.h"
#include "platform/Shell.h"
#include "platform/ui/WindowTools.h"
#include "unicodeinput/ui/ctlUMultilineTxtBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHash>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSvgRenderer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int kWidth = 780;
constexpr int kHeight = 490;
// The progress panel lies over the window's head (the mark, "Hide" and the
// introduction), which says nothing while a destination works.
constexpr int kProgressHeight = 122;
constexpr int kLeft = 24; // left column
constexpr int kLeftWidth = 360;
constexpr int kRight = 408; // right column
constexpr int kRightWidth = 348;

const QString kIntro = QStringLiteral(
    "Uploading photos is so passé - FLAZZ them instead!. Now you can Flazz and Share your Photos (max. 100 "
    "at a "
    "time) on various services like a breeze. Drag Drop or Browse for Photos, and click a service.\n"
    "You can also order Prints online.\n"
    "Share Socially | Save in the Cloud | Order Prints Online. Enjoy!");

const QString kDescriptionPrompt =
    QStringLiteral("Description applies for Flazzing photos to Facebook and Flickr only");

QFont uiFont(int pixelSize, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("Calibri"), QStringLiteral("Carlito"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// Metadata kinds as the user reads them; GPS and place names are both "location".
QString kindWords(const QString &kind)
{
    static const QHash<QString, QString> words{
        {QStringLiteral("gps"), QStringLiteral("location")},
        {QStringLiteral("location"), QStringLiteral("location")},
        {QStringLiteral("serial"), QStringLiteral("serial numbers")},
        {QStringLiteral("owner"), QStringLiteral("owner's name")},
        {QStringLiteral("makernote"), QStringLiteral("maker notes")},
        {QStringLiteral("thumbnail"), QStringLiteral("thumbnails")},
        {QStringLiteral("unreadable"), QStringLiteral("unreadable metadata")}};
    return words.value(kind, kind);
}

// "a, b and c"; the first `shown` of them, then "and more".
QString spokenList(const QStringList &items, qsizetype shown)
{
    if (shown < items.size())
        return items.first(shown).join(QStringLiteral(", ")) + QStringLiteral(" and more");
    if (items.size() < 2)
        return items.join(QString());
    return items.first(items.size() - 1).join(QStringLiteral(", ")) + u" and " + items.last();
}

const QString kPictureButtonStyle =
    QStringLiteral("QToolButton { border: none; border-radius: 12px; background: transparent; padding: 0; }"
                   "QToolButton:hover { background: rgba(255, 255, 255, 110); }"
                   "QToolButton:pressed { background: rgba(0, 0, 0, 45); }");

} // namespace

frmUploadTo::frmUploadTo(AppState &state, UserPrompt &ui, platform::Shell &shell, ServiceConfig services,
                         QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_state(state), m_ui(ui), m_shell(shell),
      m_services(std::move(services))
{
    setObjectName(QStringLiteral("frmUploadTo"));
    setWindowTitle(QStringLiteral("Flazz"));
    setWindowIcon(SkinArt::appIcon());
    setFixedSize(kWidth, kHeight);
    setFont(uiFont(13));
    setMouseTracking(true);
    // The buttons are pictures; their tips say where each one sends the
    // photos, also before the window was first clicked.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    buildControls();
    buildProgressPanel();
    platform::DragHandle::install(this);

    ApplySkin();
    selectUploadSize();
    refreshPhotoSet();

    // The advertisement asks the network; let the window appear first.
    QTimer::singleShot(0, this, &frmUploadTo::loadAdvertising);
}

frmUploadTo::~frmUploadTo()
{
    Form_Unload();
}

QLabel *frmUploadTo::addLabel(const QString &name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, m_body);
    label->setObjectName(name);
    label->setGeometry(geometry);
    m_texts.append(label);
    return label;
}

QLabel *frmUploadTo::addLink(const QString &name, const QString &text, const QRect &geometry)
{
    auto *link = new QLabel(text, m_body);
    link->setObjectName(name);
    link->setGeometry(geometry);
    link->setCursor(Qt::PointingHandCursor);
    link->setAttribute(Qt::WA_Hover);
    link->installEventFilter(this);
    return link;
}

QToolButton *frmUploadTo::addDestinationButton(int place, const QString &name, const QString &toolTip)
{
    // Two rows of four across the right column.
    const int step = 72 + (kRightWidth - 4 * 72) / 3;
    auto *button = new QToolButton(m_body);
    button->setObjectName(name);
    button->setToolTip(toolTip);
    button->setIcon(QIcon(QStringLiteral(":/flazz_photoset_ui/%1.svg").arg(name)));
    button->setIconSize(QSize(60, 60));
    // Rows 78 px apart rather than 86, and the note and adverts below moved
    // down, to make room for the line that tells what a send would leave with.
    button->setGeometry(QRect(QPoint(kRight + (place % 4) * step, 126 + (place / 4) * 78), QSize(72, 72)));
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(kPictureButtonStyle);
    connect(button, &QToolButton::clicked, this, [this, place] { destination_Click(place); });
    m_destinationButtons[size_t(place)] = button;
    return button;
}

void frmUploadTo::buildControls()
{
    m_body = new QWidget(this);
    m_body->setObjectName(QStringLiteral("body"));
    m_body->setGeometry(0, 0, kWidth, kHeight);
    m_body->setMouseTracking(true);
    m_body->installEventFilter(this);

    m_btnClose = addLink(QStringLiteral("btnClose"), QStringLiteral("Hide"), QRect(kWidth - 64, 14, 44, 20));
    m_btnClose->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_btnClose->setFont(uiFont(14, true));

    QLabel *intro = addLabel(QStringLiteral("lblHC"), kIntro, QRect(kLeft, 46, kWidth - 2 * kLeft, 76));
    intro->setWordWrap(true);
    intro->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Left column: the photo set.
    m_dropZone = new DropZone(m_body);
    m_dropZone->setGeometry(kLeft, 126, kLeftWidth, 170);
    connect(m_dropZone, &DropZone::dragEntered, this, [this] {
        const bool empty = photoCount() == 0;
        m_dropZone->setPicture(empty ? DropZone::OverEmptySet : DropZone::OverFullSet);
        m_lblFileCount->setVisible(!empty);
    });
    connect(m_dropZone, &DropZone::dragLeft, this, [this] {
        const bool empty = photoCount() == 0;
        m_dropZone->setPicture(empty ? DropZone::EmptySet : DropZone::FullSet);
        m_lblFileCount->setVisible(!empty);
    });
    connect(m_dropZone, &DropZone::itemsDropped, this, &frmUploadTo::picDropZone_Drop);

    // The count sits on the drop zone like a badge; it lets drops through.
    m_lblFileCount = new QLabel(m_dropZone);
    m_lblFileCount->setObjectName(QStringLiteral("lblFileCount"));
    m_lblFileCount->setGeometry(kLeftWidth - 64, 10, 54, 32);
    m_lblFileCount->setAlignment(Qt::AlignCenter);
    m_lblFileCount->setFont(uiFont(17, true));
    m_lblFileCount->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_lblFileCount->setStyleSheet(
        QStringLiteral("QLabel { color: white; background: #c10606; border-radius: 16px; padding: 0 6px; }"));
    m_lblFileCount->setToolTip(QStringLiteral("Photos in the Drop Zone"));

    m_lblTotalSize = addLabel(QStringLiteral("lblTotalSize"), QString(), QRect(kLeft, 304, 180, 26));
    m_lblTotalSize->setFont(uiFont(13, true));

    m_btnAddImages = new QPushButton(QStringLiteral("Browse"), m_body);
    m_btnAddImages->setObjectName(QStringLiteral("btnAddImages"));
    m_btnAddImages->setGeometry(kLeft + kLeftWidth - 180, 303, 86, 28);
    connect(m_btnAddImages, &QPushButton::clicked, this, &frmUploadTo::btnAddImages_Click);

    m_cmdClear = new QPushButton(QStringLiteral("Clear"), m_body);
    m_cmdClear->setObjectName(QStringLiteral("cmdClear"));
    m_cmdClear->setGeometry(kLeft + kLeftWidth - 86, 303, 86, 28);
    connect(m_cmdClear, &QPushButton::clicked, this, &frmUploadTo::cmdClear_Click);

    addLabel(QStringLiteral("lblDesc"), QStringLiteral("Description (will be applied to all Photos):"),
             QRect(kLeft, 340, 250, 20));
    m_lblClearDesc = addLink(QStringLiteral("lblClearDesc"), QStringLiteral("Clear Description"),
                             QRect(kLeft + kLeftWidth - 120, 340, 120, 20));
    m_lblClearDesc->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_remarks = new ctlUMultilineTxtBox(m_body);
    m_remarks->setObjectName(QStringLiteral("WBRemarks"));
    m_remarks->setGeometry(kLeft, 362, kLeftWidth, 68);
    m_remarks->setAutoDisplayText(kDescriptionPrompt);

    addLabel(QStringLiteral("lblImgSize"), QStringLiteral("Select Photo Size:"), QRect(kLeft, 442, 120, 26));
    m_cboUploadSize = new QComboBox(m_body);
    m_cboUploadSize->setObjectName(QStringLiteral("cboUploadSize"));
    m_cboUploadSize->setGeometry(kLeft + 124, 442, kLeftWidth - 124, 26);
    {
        const QSignalBlocker quiet(m_cboUploadSize);
        for (const UploadSizeChoice &size : kUploadSizes)
            m_cboUploadSize->addItem(QString::fromUtf16(size.caption), size.pixels);
    }
    connect(m_cboUploadSize, &QComboBox::activated, this, &frmUploadTo::chooseUploadSize);

    // Right column: where the photos go, made in their order so Tab follows it.
    struct Button
    {
        int place;
        QString name;
        QString toolTip;
    };
    QList<Button> buttons{
        {int(LocalDestination::Zip), QStringLiteral("btnZip"), QStringLiteral("Zip")},
        {int(LocalDestination::Printer), QStringLiteral("btnPrinter"), QStringLiteral("Print")},
        {int(LocalDestination::Skype), QStringLiteral("btnSkype"), QStringLiteral("Share via Skype")}};
    for (const ServiceDescriptor &service : serviceDescriptors())
        buttons.append(
            {service.button, QString::fromUtf16(service.buttonName), QString::fromUtf16(service.toolTip)});
    std::sort(buttons.begin(), buttons.end(),
              [](const Button &a, const Button &b) { return a.place < b.place; });
    for (const Button &button : std::as_const(buttons))
        addDestinationButton(button.place, button.name, button.toolTip);

    // Two lines at most, so the rows above and the note below stay where
    // they are whatever the set holds.
    m_lblSendLook = addLabel(QStringLiteral("lblSendLook"), QString(), QRect(kRight, 278, kRightWidth, 34));
    m_lblSendLook->setWordWrap(true);
    m_lblSendLook->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblSendLook->setFont(uiFont(12));
    m_lblSendLook->hide();

    QLabel *note =
        addLabel(QStringLiteral("lblHCBottom"),
                 QStringLiteral("Note: Each of the above services may have their own limitations, and "
                                "are governed by their respective terms and conditions."),
                 QRect(kRight, 316, kRightWidth, 34));
    note->setWordWrap(true);
    note->setFont(uiFont(12));
    m_lblLimitation = addLink(QStringLiteral("lblLimitation"), QStringLiteral("limitations"),
                              QRect(kRight + kRightWidth - 80, 349, 80, 18));
    m_lblLimitation->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont linkFont = uiFont(12);
    linkFont.setUnderline(true);
    m_lblLimitation->setFont(linkFont);
    m_texts.append(m_lblLimitation);

    m_ads = new AdPanel(m_body);
    m_ads->setGeometry(kRight, 370, kRightWidth, 62);

    m_btnSettings = new QToolButton(m_body);
    m_btnSettings->setObjectName(QStringLiteral("btnSettings"));
    m_btnSettings->setToolTip(QStringLiteral("Settings"));
    m_btnSettings->setIcon(QIcon(QStringLiteral(":/flazz_photoset_ui/btnSettings.svg")));
    m_btnSettings->setIconSize(QSize(30, 30));
    m_btnSettings->setGeometry(kRight, 438, 36, 36);
    m_btnSettings->setCursor(Qt::PointingHandCursor);
    m_btnSettings->setStyleSheet(kPictureButtonStyle);
    connect(m_btnSettings, &QToolButton::clicked, this, &frmUploadTo::btnSettings_Click);

    // Any number of remotes fits in a menu, where a button each would not;
    // hidden until a start-up offers them.
    m_btnRemotes = new QToolButton(m_body);
    m_btnRemotes->setObjectName(QStringLiteral("btnRemotes"));
    m_btnRemotes->setToolTip(QStringLiteral("Flazz to one of your rclone accounts"));
    m_btnRemotes->setIcon(QIcon(QStringLiteral(":/flazz_photoset_ui/btnRemotes.svg")));
    m_btnRemotes->setIconSize(QSize(30, 30));
    m_btnRemotes->setGeometry(kRight + 42, 438, 36, 36);
    m_btnRemotes->setCursor(Qt::PointingHandCursor);
    m_btnRemotes->setStyleSheet(kPictureButtonStyle);
    m_btnRemotes->hide();
    connect(m_btnRemotes, &QToolButton::clicked, this, &frmUploadTo::showMoreDestinations);

    m_cmdCancel = new QPushButton(QStringLiteral("Exit"), m_body);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setGeometry(kRight + kRightWidth - 86, 442, 86, 28);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmUploadTo::cmdCancel_Click);

    for (QPushButton *button : {m_btnAddImages, m_cmdClear, m_cmdCancel})
        button->setCursor(Qt::PointingHandCursor);
}

void frmUploadTo::buildProgressPanel()
{
    m_fraProgress = new QFrame(this);
    m_fraProgress->setObjectName(QStringLiteral("fraProgress"));
    m_fraProgress->setGeometry(0, 0, kWidth, kProgressHeight);
    m_fraProgress->setStyleSheet(QStringLiteral(
        "QFrame#fraProgress { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfbfc,"
        " stop:1 #eceef1); border-bottom: 1px solid rgba(0, 0, 0, 70); }"));
    m_fraProgress->hide();

    m_lblUpdateCaption = new QLabel(QStringLiteral("Progress"), m_fraProgress);
    m_lblUpdateCaption->setObjectName(QStringLiteral("lblUpdateCaption"));
    m_lblUpdateCaption->setGeometry(kLeft, 18, kWidth - 2 * kLeft, 26);
    m_lblUpdateCaption->setFont(uiFont(16, true));
    m_lblUpdateCaption->setStyleSheet(QStringLiteral("color: #3c3c3c;"));
    platform::DragHandle::install(m_lblUpdateCaption);

    m_lblPbrCaption = new QLabel(QStringLiteral("Please wait... "), m_fraProgress);
    m_lblPbrCaption->setObjectName(QStringLiteral("lblPbrCaption"));
    m_lblPbrCaption->setGeometry(kLeft, 50, kWidth - 2 * kLeft - 110, 20);
    m_lblPbrCaption->setStyleSheet(QStringLiteral("color: #5b5b5b;"));

    m_pbrProgress = new QProgressBar(m_fraProgress);
    m_pbrProgress->setObjectName(QStringLiteral("pbrProgress"));
    m_pbrProgress->setGeometry(kLeft, 80, kWidth - 2 * kLeft - 110, 18);
    m_pbrProgress->setTextVisible(false);
    m_pbrProgress->setRange(0, 100);
    m_pbrProgress->setValue(0);
    m_pbrProgress->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid #9aa2ab; border-radius: 4px; background: #f4f5f7; }"
        "QProgressBar::chunk { border-radius: 3px; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #6fb3f2, stop:1 #2f7fd6); }"));

    m_btnProgressCancel = new QPushButton(QStringLiteral("Cancel"), m_fraProgress);
    m_btnProgressCancel->setObjectName(QStringLiteral("btnProgressCancel"));
    m_btnProgressCancel->setGeometry(kWidth - kLeft - 86, 75, 86, 28);
    m_btnProgressCancel->setCursor(Qt::PointingHandCursor);
    connect(m_btnProgressCancel, &QPushButton::clicked, this, [this] {
        m_progressCancelled = true;
        m_lblPbrCaption->setText(QStringLiteral("Cancelling..."));
    });
}

void frmUploadTo::setFlow(Service service, DestinationFlow *flow)
{
    m_flows[size_t(describe(service).button)] = flow;
}

void frmUploadTo::setFlow(LocalDestination destination, DestinationFlow *flow)
{
    m_flows[size_t(destination)] = flow;
}

void frmUploadTo::ApplySkin()
{
    m_skin = Skin::clamp(m_state.Skin);
    const int skin = m_skin;
    const QColor text = Skin::textColor(skin);
    for (QLabel *label : std::as_const(m_texts)) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, text);
        label->setPalette(palette);
    }
    setLinkColor(m_btnClose, Skin::linkColor(skin));
    setLinkColor(m_lblClearDesc, Skin::linkColor(skin));
    const QString buttons = SkinArt::buttonStyleSheet(skin);
    for (QPushButton *button : {m_btnAddImages, m_cmdClear, m_cmdCancel})
        button->setStyleSheet(buttons);
    // The progress panel is always light, so its button keeps the light look.
    m_btnProgressCancel->setStyleSheet(SkinArt::buttonStyleSheet(0));
    update();
    QApplication::processEvents();
}

void frmUploadTo::setLinkColor(QLabel *link, const QColor &color)
{
    // Only the live looks: while a flow holds the window, a link keeps the
    // disabled grey instead of promising a click that does nothing.
    QPalette palette = link->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, color);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, color);
    link->setPalette(palette);
}

void frmUploadTo::selectUploadSize()
{
    const int index = uploadSizeIndex(m_state.UploadSize);
    m_state.NoteSuppressed = true;
    {
        const QSignalBlocker quiet(m_cboUploadSize);
        m_cboUploadSize->setCurrentIndex(index);
    }
    chooseUploadSize(index);
    m_state.NoteSuppressed = false;
}

void frmUploadTo::chooseUploadSize(int index)
{
    if (index < 0 || index >= m_cboUploadSize->count())
        return;
    if (m_cboUploadSize->currentIndex() != index) {
        const QSignalBlocker quiet(m_cboUploadSize);
        m_cboUploadSize->setCurrentIndex(index);
    }
    if (index == 0 && !m_state.NoteSuppressed)
        m_ui.uploadSizeNote();
    m_state.UploadSize = m_cboUploadSize->itemData(index).toInt();
    refreshSendLook();
}

int frmUploadTo::photoCount() const
{
    return m_state.PhotoTray ? m_state.PhotoTray->Count() : 0;
}

void frmUploadTo::refreshPhotoSet()
{
    const int count = photoCount();
    m_lblFileCount->setText(QString::number(count));
    m_lblFileCount->setVisible(count > 0);
    m_dropZone->setPicture(count > 0 ? DropZone::FullSet : DropZone::EmptySet);
    const double total = m_state.PhotoTray ? double(m_state.PhotoTray->TotalSize()) : 0;
    if (total > 0)
        m_lblTotalSize->setText(QStringLiteral("Total Size: ") + FormatSize(total));
    m_lblTotalSize->setVisible(total > 0);
    refreshSendLook();
}

void frmUploadTo::refreshSendLook()
{
    if (photoCount() == 0) {
        m_lblSendLook->hide();
        return;
    }
    const clsTray &tray = *m_state.PhotoTray;
    const int size = m_state.UploadSize;
    const SendEstimate estimate = EstimateSend(tray, size, MetadataRuleFor(m_state.KeepMetadata));
    QString head =
        (photoCount() == 1 ? QStringLiteral("1 photo") : QStringLiteral("%1 photos").arg(photoCount())) +
        u", about " + FormatSize(double(estimate.totalBytes)) +
        (size > 0 ? QStringLiteral(" at %1 px").arg(size) : QStringLiteral(" at original size"));

    // A photo a service refuses matters more than what is removed, so it
    // comes first and the removed kinds give way when room runs out.
    QStringList tooLarge;
    QStringList named;
    for (const ServiceDescriptor &service : serviceDescriptors()) {
        QStringList photos;
        for (const BrokenLimit &broken : BrokenLimits(estimate, service.limits)) {
            const QString name = QFileInfo(tray.PhotoInfo(broken.photo, PhotoField::FilePath)).fileName();
            if (!photos.contains(name))
                photos << name;
        }
        if (photos.isEmpty())
            continue;
        const QString serviceName = QString::fromUtf16(service.displayName);
        tooLarge << QStringLiteral("%1 %2%3")
                        .arg(photos.size())
                        .arg(tooLarge.isEmpty() ? QStringLiteral("too large for ") : QStringLiteral("for "),
                             serviceName);
        constexpr qsizetype kNamedPhotos = 10;
        named << u"Too large for " + serviceName + u": " + spokenList(photos, kNamedPhotos);
    }
    if (!tooLarge.isEmpty())
        head += u"; " + tooLarge.join(QStringLiteral(", "));

    QStringList removed;
    for (const QString &kind : estimate.withheld) {
        if (!removed.contains(kindWords(kind)))
            removed << kindWords(kind);
    }
    const QFontMetrics metrics(m_lblSendLook->font());
    const auto fits = [&](const QString &text) {
        return metrics.boundingRect(QRect(0, 0, m_lblSendLook->width(), 1000), Qt::TextWordWrap, text)
                   .height() <= 2 * metrics.lineSpacing();
    };
    QString line = head;
    for (qsizetype shown = removed.size(); shown > 0; --shown) {
        const QString candidate = head + u"; " + spokenList(removed, shown) + u" removed";
        if (fits(candidate)) {
            line = candidate;
            break;
        }
    }
    m_lblSendLook->setText(line);
    QString tip = removed.isEmpty() ? line : head + u"; " + spokenList(removed, removed.size()) + u" removed";
    if (!named.isEmpty())
        tip += u"\n" + named.join(u'\n');
    m_lblSendLook->setToolTip(tip);
    m_lblSendLook->show();
}

void frmUploadTo::btnAddImages_Click()
{
    if (!m_state.PhotoTray)
        return;
    addPhotos([this](PhotoAdder &adder) { adder.Browse(m_remarks->Text()); });
}

void frmUploadTo::picDropZone_Drop(const QStringList &items)
{
    if (items.isEmpty() || !m_state.PhotoTray) {
        refreshPhotoSet();
        return;
    }
    addPhotos([this, &items](PhotoAdder &adder) { adder.AddDropped(items, m_remarks->Text()); });
}

void frmUploadTo::addPhotos(const std::function<void(PhotoAdder &)> &work)
{
    setWindowEnabled(false);
    try {
        frmFilesCount progress(m_state, this);
        PhotoAdder adder(m_state, m_ui, progress.progress(), &progress.cancelToken());
        work(adder);
    } catch (const std::exception &error) {
        // What was added stays; the window must come back whatever happened.
        qWarning("Adding photos stopped: %s", error.what());
    }
    refreshPhotoSet();
    setWindowEnabled(true);
}

void frmUploadTo::cmdClear_Click()
{
    if (m_ui.confirm(QStringLiteral("Are you sure?"), true, true, false) != MsgBoxCode::Yes)
        return;
    if (m_state.PhotoTray)
        m_state.PhotoTray->RemoveAll();
    m_lblFileCount->hide();
    m_lblTotalSize->hide();
    m_lblSendLook->hide();
}

void frmUploadTo::cmdCancel_Click()
{
    const int answer =
        m_ui.systemMessage(QStringLiteral("Are you sure? Why not keep Flazz on, and do things in a Flazz?"),
                           MsgStyle::YesNo | MsgStyle::Question, QStringLiteral("Flazz"));
    if (answer != MsgResult::Yes)
        return;
    m_exiting = true;
    Form_Unload();
    hide();
    // The end destroys this window, so it runs once this click is over.
    std::function<void()> end = m_exitHandler;
    if (!end)
        end = [] { QCoreApplication::quit(); };
    QTimer::singleShot(0, QCoreApplication::instance(), end);
}

void frmUploadTo::btnClose_Click(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        hideWindow();
}

void frmUploadTo::hideWindow()
{
    const bool trayAvailable = m_trayAvailable ? m_trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
    // A hidden window comes back through the tray icon; a desktop without a
    // notification area has no icon, so the window goes to the task bar.
    if (trayAvailable)
        hide();
    else
        showMinimized();
}

void frmUploadTo::lblClearDesc_Click(Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    if (m_ui.confirm(QStringLiteral("Are you sure?"), true, true, false) == MsgBoxCode::Yes)
        m_remarks->setText(QString());
}

void frmUploadTo::lblLimitation_Click()
{
    m_shell.open(m_services.product.brandSite);
}

void frmUploadTo::btnSettings_Click()
{
    if (m_state.ModalFormOpen)
        return;
    if (m_settingsHandler)
        m_settingsHandler();
    // A new skin is the Settings window's to apply, and only once it was
    // stored: the window keeps the look it has until then.
    selectUploadSize();
}

void frmUploadTo::destination_Click(int place)
{
    if (photoCount() == 0) {
        funcMessageDisplay(m_state, m_ui, MessageNo::EmptyPhotoSet);
        return;
    }
    DestinationFlow *flow = m_flows[size_t(place)];
    if (!flow)
        return;
    runFlow(*flow, m_destinationButtons[size_t(place)]->objectName() + u"_Click");
}

void frmUploadTo::runFlow(DestinationFlow &flow, const QString &procedure)
{
    // The flows' error trap: whatever a flow lets escape becomes an error
    // report, never an exception leaving a Qt slot.
    const ErrorSite site{QStringLiteral("Upload"), QStringLiteral("frmUploadTo"), procedure};
    ++m_flowsRunning;
    RunTrapped(
        m_state, m_ui, site, [&flow] { flow.run(); }, [this] { ShowProgressPanel(false); });
    --m_flowsRunning;
    // Flows close their panel and enable the window when they finish; one
    // that stopped early must not leave a stale meter or a dead window. A
    // press that came while another flow was at work (the Zip button stays
    // live) leaves that flow's panel alone.
    if (m_flowsRunning == 0) {
        ShowProgressPanel(false);
        setWindowEnabled(true);
    }
}

void frmUploadTo::setMoreDestinations(std::function<QList<MoreDestination>()> list,
                                      std::function<DestinationFlow *(const QString &)> flowFor)
{
    m_moreDestinations = std::move(list);
    m_flowFor = std::move(flowFor);
    m_btnRemotes->setVisible(bool(m_moreDestinations));
}

QList<frmUploadTo::MoreDestination> frmUploadTo::moreDestinations() const
{
    return m_moreDestinations ? m_moreDestinations() : QList<MoreDestination>();
}

void frmUploadTo::showMoreDestinations()
{
    if (m_state.ModalFormOpen)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuRemotes"));
    const QList<MoreDestination> destinations = moreDestinations();
    for (const MoreDestination &destination : destinations) {
        menu.addAction(destination.text, this,
                       [this, name = destination.name] { moreDestination_Click(name); });
    }
    if (destinations.isEmpty())
        menu.addAction(QStringLiteral("No rclone account yet: connect one in Settings"))->setEnabled(false);
    menu.exec(m_btnRemotes->mapToGlobal(QPoint(0, m_btnRemotes->height())));
}

void frmUploadTo::moreDestination_Click(const QString &name)
{
    if (photoCount() == 0) {
        funcMessageDisplay(m_state, m_ui, MessageNo::EmptyPhotoSet);
        return;
    }
    if (DestinationFlow *flow = m_flowFor ? m_flowFor(name) : nullptr)
        runFlow(*flow, QStringLiteral("btnRemotes_Click"));
}

void frmUploadTo::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    platform::closeCompanion(platform::companionName(m_state.DataFolder));
}

bool frmUploadTo::windowEnabled() const
{
    return m_body->isEnabled();
}

bool frmUploadTo::progressPanelShown() const
{
    return !m_fraProgress->isHidden();
}

void frmUploadTo::ApplyDescription()
{
    if (!m_state.PhotoTray)
        return;
    const QString description = m_remarks->Text();
    for (int i = 0; i < m_state.PhotoTray->Count(); ++i)
        m_state.PhotoTray->setPhotoInfo(i, PhotoField::Remarks, description);
}

void frmUploadTo::setWindowEnabled(bool enabled)
{
    // The progress panel stays live so that its Cancel can be pressed while
    // the rest of the window waits for the flow.
    m_body->setEnabled(enabled);
}

void frmUploadTo::ShowProgressPanel(bool show)
{
    // The panel covers the window's head instead of growing the window and
    // centring it again: the window stays where the user put it, at its
    // size, and nothing under the pointer moves when a flow starts or ends.
    if (show) {
        m_progressCancelled = false;
        m_fraProgress->move(0, 0);
        m_fraProgress->show();
        m_fraProgress->raise();
    } else {
        m_fraProgress->hide();
    }
    // Painted now, not later: a note that comes next must not appear over
    // a meter that is already gone. The web panel makes this a composited
    // window, where repaint() alone may leave the painting for later.
    repaint();
    QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
}

void frmUploadTo::setUpdateCaption(const QString &text)
{
    m_lblUpdateCaption->setText(text);
}

void frmUploadTo::setPbrCaption(const QString &text)
{
    m_lblPbrCaption->setText(text);
}

void frmUploadTo::setProgressRange(int minimum, int maximum)
{
    m_pbrProgress->setRange(minimum, maximum);
}

void frmUploadTo::setProgressValue(int value)
{
    m_pbrProgress->setValue(value);
}

int frmUploadTo::progressValue() const
{
    return m_pbrProgress->value();
}

int frmUploadTo::progressMaximum() const
{
    return m_pbrProgress->maximum();
}

void frmUploadTo::StepProgress()
{
    m_pbrProgress->setValue(qMin(m_pbrProgress->value() + 1, m_pbrProgress->maximum()));
}

void frmUploadTo::processEvents()
{
    QApplication::processEvents();
}

void frmUploadTo::loadAdvertising()
{
    m_ads->load(m_services.product.ads, m_state.ResourcesFolder + QStringLiteral("ad.html"),
                &AdPanel::httpGet);
}

void frmUploadTo::paintEvent(QPaintEvent *)
{
    const int skin = m_skin;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    SkinArt::paintWindow(painter, rect(), skin, 0);

    static QSvgRenderer light(QStringLiteral(":/flazz_photoset_ui/background.svg"));
    light.render(&painter, QRectF(0, 0, width(), kHeight));

    // The program's mark and name in the top left corner, as on the splash.
    SkinArt::paintLogo(painter, QRectF(kLeft, 9, 32, 32));
    QFont mark = uiFont(28, true);
    mark.setItalic(true);
    painter.setFont(mark);
    painter.setPen(Skin::linkColor(skin));
    painter.drawText(QRect(kLeft + 40, 4, 200, 42), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Flazz"));
}

void frmUploadTo::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Offscreen rendering (tests, the gallery) has no window shapes.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        setMask(SkinArt::windowMask(size()));
}

void frmUploadTo::closeEvent(QCloseEvent *event)
{
    // Closing the window by the window manager only hides it: the program
    // lives on in the tray and ends through Exit.
    if (m_exiting || m_unloaded) {
        event->accept();
        return;
    }
    event->ignore();
    hideWindow();
}

bool frmUploadTo::eventFilter(QObject *watched, QEvent *event)
{
    auto *link = qobject_cast<QLabel *>(watched);
    const bool isLink = link && (link == m_btnClose || link == m_lblClearDesc || link == m_lblLimitation);
    const int skin = m_skin;
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        if (isLink && (link == m_btnClose || link == m_lblClearDesc))
            setLinkColor(link, Skin::linkHoverColor());
        else if (watched == m_body) {
            setLinkColor(m_btnClose, Skin::linkColor(skin));
            setLinkColor(m_lblClearDesc, Skin::linkColor(skin));
        }
        break;
    case QEvent::Leave:
        if (isLink && (link == m_btnClose || link == m_lblClearDesc))
            setLinkColor(link, Skin::linkColor(skin));
        break;
    case QEvent::MouseButtonPress:
        if (isLink)
            return true; // a link is not a drag handle
        break;
    case QEvent::MouseButtonRelease:
        if (isLink) {
            auto *release = static_cast<QMouseEvent *>(event);
            if (!link->rect().contains(release->position().toPoint()))
                return true;
            if (link == m_btnClose)
                btnClose_Click(release->button());
            else if (link == m_lblClearDesc)
                lblClearDesc_Click(release->button());
            else if (release->button() == Qt::LeftButton)
                lblLimitation_Click();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

#include "webservices/ui/frmPrinter.h"

#include "core/Skin.h"
#include "core/ui/ErrorBoundary.h"
#include "core/ui/SkinArt.h"
#include "webservices/flows/PrintFlow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 250;
constexpr int kLeft = 24;

} // namespace

frmPrinter::frmPrinter(AppState &state, PrintFlow *flow, const QString &serviceName, QWidget *parent)
    : SkinnedDialog(state, parent), m_flow(flow),
      m_rdoNew(new QRadioButton(QStringLiteral("Online Photo Printing Services"), this)),
      m_rdoExisiting(new QRadioButton(QStringLiteral("Local Printer"), this)),
      m_cmdOK(new QPushButton(QStringLiteral("Print..."), this)),
      m_cmdExit(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("frmPrinter"));
    setWindowTitle(QStringLiteral("Print"));
    titleLabel()->setText(QStringLiteral("Print"));
    setFixedSize(kWidth, kHeight);

    auto *intro = new QLabel(
        QStringLiteral("Flazz offers you options to order Prints online, or print using your Local Printer."),
        this);
    intro->setObjectName(QStringLiteral("lblIntro"));
    intro->setWordWrap(true);
    intro->setGeometry(kLeft, TitleBarHeight + 12, kWidth - 2 * kLeft, 40);

    // The check box's look, made round: the chosen one is a filled dot.
    const QString radioStyle =
        SkinArt::checkBoxStyleSheet(skin())
            .replace(QStringLiteral("QCheckBox"), QStringLiteral("QRadioButton"))
            .replace(QStringLiteral("border-radius: 3px"), QStringLiteral("border-radius: 7px"))
            .replace(QStringLiteral("image: url(:/flazz_core_ui/check.svg);"), QString());
    QFont bold = font();
    bold.setBold(true);
    int y = TitleBarHeight + 62;
    const std::pair<QRadioButton *, QString> choices[] = {{m_rdoNew, serviceName},
                                                          {m_rdoExisiting, QStringLiteral("Local Printer")}};
    for (const auto &[radio, note] : choices) {
        radio->setObjectName(radio == m_rdoNew ? QStringLiteral("rdoNew") : QStringLiteral("rdoExisiting"));
        radio->setStyleSheet(radioStyle);
        radio->setFont(bold);
        radio->setCursor(Qt::PointingHandCursor);
        radio->setGeometry(kLeft, y, kWidth - 2 * kLeft, 22);
        auto *below = new QLabel(note, this);
        below->setObjectName(radio == m_rdoNew ? QStringLiteral("lblOnline") : QStringLiteral("lblLocal"));
        below->setGeometry(kLeft + 26, y + 22, kWidth - 2 * kLeft - 26, 18);
        y += 50;
    }
    // Ordering online is what the button is mostly for.
    m_rdoNew->setChecked(true);

    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdExit->setObjectName(QStringLiteral("cmdExit"));
    skinButton(m_cmdOK);
    skinButton(m_cmdExit);
    m_cmdExit->setGeometry(kWidth - kLeft - 90, kHeight - 44, 90, 28);
    m_cmdOK->setGeometry(m_cmdExit->x() - 100, kHeight - 44, 90, 28);
    m_cmdOK->setDefault(true);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmPrinter::cmdOK_Click);
    connect(m_cmdExit, &QPushButton::clicked, this, &QDialog::reject);
}

void frmPrinter::Form_Load()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void frmPrinter::cmdOK_Click()
{
    if (!m_flow)
        return;
    // The sign-in window takes this one's place; whoever showed this window
    // runs it and brings this one back if the user returns.
    if (m_rdoNew->isChecked()) {
        done(OnlineChosen);
        return;
    }
    const ErrorSite site{QStringLiteral("Print"), QStringLiteral("frmPrinter"),
                         QStringLiteral("cmdOK_Click")};
    RunTrapped(state(), m_flow->prompt(), site, [this] { m_flow->printLocally(); });
}

#include "core/ui/frmError.h"

#include "core/ui/SkinArt.h"
#include "core/ui/Twips.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

namespace {

constexpr int kWidth = twips(6600);
constexpr int kMargin = twips(270);
constexpr int kIconSide = 32;
constexpr int kButtonTop = twips(1650);
constexpr int kButtonHeight = twips(405);

} // namespace

frmError::frmError(AppState &state, QWidget *parent)
    : SkinnedDialog(state, parent), m_message(new QLabel(this)),
      m_details(new QPushButton(QStringLiteral("&Details >>"), this)),
      m_close(new QPushButton(QStringLiteral("Close"), this)), m_box(new QPlainTextEdit(this)),
      m_endProgram(endProgramAction(1))
{
    setObjectName(QStringLiteral("frmError"));

    const int textLeft = kMargin + kIconSide + twips(180);
    m_message->setObjectName(QStringLiteral("lblMessage"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setText(
        QStringLiteral("An unexpected error has occurred, which will cause the program to shut "
                       "down. If the problem persists, contact the program vendor.") +
        QLatin1Char('\n') + QStringLiteral("Click the Details button to view the description of the error."));
    m_message->setGeometry(textLeft, TitleBarHeight + twips(120), kWidth - textLeft - kMargin,
                           kButtonTop - TitleBarHeight - twips(180));

    m_details->setObjectName(QStringLiteral("cmdDetails"));
    skinButton(m_details);
    m_details->setGeometry(kMargin, kButtonTop, twips(1500), kButtonHeight);
    connect(m_details, &QPushButton::clicked, this, [this] { cmdDetails_Click(); });

    m_close->setObjectName(QStringLiteral("cmdClose"));
    skinButton(m_close);
    m_close->setGeometry(kWidth - kMargin - twips(1290), kButtonTop, twips(1290), kButtonHeight);
    m_close->setDefault(true);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    m_box->setObjectName(QStringLiteral("txtDetails"));
    m_box->setReadOnly(true);
    m_box->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_box->setStyleSheet(SkinArt::textBoxStyleSheet(skin()));
    const int boxTop = twips(CollapsedHeight) - twips(60);
    m_box->setGeometry(kMargin, boxTop, kWidth - 2 * kMargin, twips(ExpandedHeight) - boxTop - twips(210));

    setExpanded(false);
}

void frmError::setErrMsg(const QString &report)
{
    m_report = report;
    m_box->setPlainText(report);
}

void frmError::Form_Load()
{
    if (!qApp->windowIcon().isNull())
        setWindowIcon(qApp->windowIcon());
}

void frmError::showEvent(QShowEvent *event)
{
    SkinnedDialog::showEvent(event);
    m_box->setPlainText(m_report);
}

void frmError::Form_Unload()
{
    if (m_endProgram)
        m_endProgram();
}

void frmError::cmdDetails_Click()
{
    setExpanded(!m_expanded);
}

void frmError::setExpanded(bool expanded)
{
    m_expanded = expanded;
    m_details->setText(expanded ? QStringLiteral("<< &Details") : QStringLiteral("&Details >>"));
    m_box->setVisible(expanded);
    setFixedSize(kWidth, twips(expanded ? ExpandedHeight : CollapsedHeight));
}

void frmError::paintEvent(QPaintEvent *event)
{
    SkinnedDialog::paintEvent(event);
    QPainter p(this);
    const QIcon icon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    icon.paint(&p, QRect(kMargin, TitleBarHeight + twips(150), kIconSide, kIconSide));
}

#include "photoset/ui/frmFilesCount.h"

#include "imaging/cGDIpImage.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr int kWidth = 390;
constexpr int kHeight = 184;

} // namespace

frmFilesCount::frmFilesCount(AppState &state, QWidget *owner)
    : SkinnedDialog(state, owner), m_lblHint(new QLabel(this)), m_lblFileName(new QLabel(this)),
      m_lblFileCount(new QLabel(this)), m_lblTooLarge(new QLabel(this)), m_busy(new QProgressBar(this)),
      m_cmdCancel(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmFilesCount"));
    setFixedSize(kWidth, kHeight);
    setModal(false);
    titleLabel()->setText(QStringLiteral("Progress"));
    // Cancel is the one way out: it is what stops the adding loop.
    setTitleCloseShown(false);

    const int top = TitleBarHeight + 8;
    m_lblHint->setObjectName(QStringLiteral("lblHint"));
    m_lblHint->setText(QStringLiteral(
        "The time taken to aggregate files in the Drop Zone depends on file sizes. Please do be patient..."));
    m_lblHint->setWordWrap(true);
    m_lblHint->setGeometry(16, top, kWidth - 32, 36);

    auto *fileCaption = new QLabel(QStringLiteral("Adding File: "), this);
    fileCaption->setGeometry(16, top + 44, 86, 20);
    m_lblFileName->setObjectName(QStringLiteral("lblFileName"));
    m_lblFileName->setGeometry(102, top + 44, kWidth - 118, 20);

    auto *countCaption = new QLabel(QStringLiteral("Files added:"), this);
    countCaption->setGeometry(16, top + 68, 86, 20);
    m_lblFileCount->setObjectName(QStringLiteral("lblFileCount"));
    m_lblFileCount->setGeometry(102, top + 68, 100, 20);
    QFont bold = m_lblFileCount->font();
    bold.setBold(true);
    m_lblFileCount->setFont(bold);
    m_lblTooLarge->setObjectName(QStringLiteral("lblTooLarge"));
    m_lblTooLarge->setGeometry(150, top + 68, kWidth - 166, 20);
    m_lblTooLarge->hide();

    // Reading and checking a large file takes a moment: keep something moving.
    m_busy->setObjectName(QStringLiteral("pbrBusy"));
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setGeometry(16, kHeight - 34, kWidth - 132, 12);

    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setText(QStringLiteral("Cancel"));
    m_cmdCancel->setGeometry(kWidth - 102, kHeight - 42, 86, 28);
    skinButton(m_cmdCancel);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmFilesCount::cmdCancel_Click);
}

QString frmFilesCount::shortName(const QString &fileName)
{
    if (fileName.size() < 26)
        return fileName;
    return fileName.left(22) + QStringLiteral("...");
}

void frmFilesCount::setStrFileName(const QString &fileName)
{
    m_fileName = fileName;
    m_lblFileName->setText(shortName(fileName));
    m_lblFileName->setToolTip(fileName);
}

void frmFilesCount::setIntFileCount(short n)
{
    m_lastIncrement = n;
    // The count lives in the label: an empty label reads as 0.
    m_lblFileCount->setText(QString::number(m_lblFileCount->text().toLongLong() + n));
}

void frmFilesCount::cmdCancel_Click()
{
    m_cancel.cancel();
    reject();
}

void frmFilesCount::Progress::open()
{
    m_window.m_lblFileCount->clear();
    m_window.m_lastIncrement = 0;
    m_window.m_tooLarge = 0;
    m_window.m_lblTooLarge->hide();
    m_window.setStrFileName(QString());
    if (QWidget *owner = m_window.parentWidget()) {
        const QRect frame = owner->window()->geometry();
        m_window.move(frame.center() - m_window.rect().center());
    }
    m_window.show();
    m_window.raise();
}

void frmFilesCount::Progress::close()
{
    if (m_window.isVisible())
        m_window.reject();
}

void frmFilesCount::Progress::fileLookedAt(const QString &fileName)
{
    m_window.setStrFileName(fileName);
    m_window.setIntFileCount(1);
}

void frmFilesCount::Progress::processEvents()
{
    QApplication::processEvents();
}

void frmFilesCount::Progress::fileDone(const PhotoCheck &check)
{
    // A panorama refused for its size would otherwise pass for a damaged
    // file; the count says what really kept it out.
    if (check.refusal != AddRefusal::TooLarge)
        return;
    ++m_window.m_tooLarge;
    m_window.m_lblTooLarge->setText(QStringLiteral("%1 too large: over %2 megapixels")
                                        .arg(m_window.m_tooLarge)
                                        .arg(cGDIpImage::MaxMegapixels));
    m_window.m_lblTooLarge->show();
}

#include "PlaceholderMainWindow.h"

#include "core/Skin.h"
#include "core/ui/SkinArt.h"
#include "core/ui/frmLoad.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

PlaceholderMainWindow::PlaceholderMainWindow(AppState &state, frmLoad &host)
    : SkinnedDialog(state), m_host(host)
{
    setObjectName(QStringLiteral("frmUploadTo"));
    setModal(false);
    setFixedSize(520, 340);

    auto *message = new QLabel(QStringLiteral("Flazz is ready."), this);
    QFont big = message->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    message->setFont(big);
    message->setAlignment(Qt::AlignCenter);
    message->setGeometry(40, 196, width() - 80, 36);

    auto *exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("cmdCancel"));
    skinButton(exit);
    exit->setGeometry(width() - 20 - 86, height() - 20 - 27, 86, 27);
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
}

void PlaceholderMainWindow::Form_Unload()
{
    m_host.Unload();
}

void PlaceholderMainWindow::paintEvent(QPaintEvent *event)
{
    SkinnedDialog::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    SkinArt::paintLogo(p, QRectF((width() - 88) / 2.0, 86, 88, 88));
}

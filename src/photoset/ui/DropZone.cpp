#include "photoset/ui/DropZone.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <QUrl>

DropZone::DropZone(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picDropZone"));
    setAcceptDrops(true);
    for (int i = 0; i < 4; ++i)
        m_pictures[i] =
            new QSvgRenderer(QStringLiteral(":/flazz_photoset_ui/dropzone%1.svg").arg(i + 1), this);
}

void DropZone::setPicture(int picture)
{
    if (picture < EmptySet || picture > FullSet || picture == m_picture)
        return;
    m_picture = picture;
    update();
}

QStringList DropZone::itemsOf(const QList<QUrl> &urls)
{
    QStringList items;
    items.reserve(urls.size());
    for (const QUrl &url : urls)
        items.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
    return items;
}

void DropZone::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_pictures[m_picture - 1]->render(&painter, QRectF(rect()));
}

void DropZone::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit dragEntered();
}

void DropZone::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void DropZone::dragLeaveEvent(QDragLeaveEvent *)
{
    emit dragLeft();
}

void DropZone::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    // Copy, never move: the photos stay where the user keeps them.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QStringList items = itemsOf(event->mimeData()->urls());
    QTimer::singleShot(0, this, [this, items] { emit itemsDropped(items); });
}

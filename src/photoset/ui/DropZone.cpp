#include "photoset/ui/DropZone.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <QUrl>

#include <algorithm>

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

bool DropZone::carriesLocalFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl &url) { return url.isLocalFile(); });
}

void DropZone::dragEnterEvent(QDragEnterEvent *event)
{
    // A web link dragged from a browser carries an address, not a file: the
    // zone says no at once rather than take it and fail afterwards.
    if (!carriesLocalFile(event->mimeData())) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit dragEntered();
}

void DropZone::dragMoveEvent(QDragMoveEvent *event)
{
    if (carriesLocalFile(event->mimeData()))
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
    if (!carriesLocalFile(event->mimeData())) {
        event->ignore();
        return;
    }
    // Copy, never move: the photos stay where the user keeps them.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QStringList items = itemsOf(event->mimeData()->urls());
    QTimer::singleShot(0, this, [this, items] { emit itemsDropped(items); });
}

#pragma once

#include <QStringList>
#include <QWidget>

class QMimeData;
class QSvgRenderer;

// The picture box that takes dropped files and folders. It shows one of four
// pictures and reports drags; the main window decides which picture fits,
// because that depends on the photo set.
class DropZone : public QWidget
{
    Q_OBJECT
public:
    enum Picture
    {
        EmptySet = 1, // nothing dragged over, the set is empty
        OverEmptySet = 2,
        OverFullSet = 3, // something dragged over a set that holds photos
        FullSet = 4,
    };

    explicit DropZone(QWidget *parent = nullptr);

    int picture() const { return m_picture; }
    void setPicture(int picture);

    QSize sizeHint() const override { return {360, 170}; }

    // The dropped items as the adding loop takes them: local paths for files
    // and folders, the address text for anything else (such as a web link).
    static QStringList itemsOf(const QList<QUrl> &urls);

    // Whether a drag holds at least one file or folder of this machine.
    static bool carriesLocalFile(const QMimeData *data);

signals:
    // A drag that carries a local file came over the zone.
    void dragEntered();
    // That drag left again without dropping.
    void dragLeft();
    // Items were dropped; emitted after the drop has completed, so the source
    // program is not kept waiting while they are added.
    void itemsDropped(const QStringList &items);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QSvgRenderer *m_pictures[4];
    int m_picture = EmptySet;
};

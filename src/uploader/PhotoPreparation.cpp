#include "uploader/PhotoPreparation.h"

#include "photoset/PrepareImage.h"

#include <QFileInfo>

PreparedPhoto preparePhoto(const QString &path, int uploadSize)
{
    return {PrepareImage(path, uploadSize), QFileInfo(path).fileName()};
}

#include "photoset/PhotoCheck.h"

#include "imaging/cGDIpImage.h"

QString refusalText(AddRefusal refusal)
{
    switch (refusal) {
    case AddRefusal::None:
        return QStringLiteral("added");
    case AddRefusal::Extension:
        return QStringLiteral("extension");
    case AddRefusal::Unreadable:
        return QStringLiteral("unreadable");
    case AddRefusal::NotImage:
        return QStringLiteral("not an image");
    case AddRefusal::Damaged:
        return QStringLiteral("damaged");
    case AddRefusal::TooLarge:
        return QStringLiteral("too large (over %1 megapixels)").arg(cGDIpImage::MaxMegapixels);
    case AddRefusal::UnsupportedType:
        return QStringLiteral("unsupported type");
    case AddRefusal::Duplicate:
        return QStringLiteral("duplicate");
    case AddRefusal::Limit:
        return QStringLiteral("limit");
    }
    return {};
}

#include "photoset/PhotoCheck.h"

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
    case AddRefusal::UnsupportedType:
        return QStringLiteral("unsupported type");
    case AddRefusal::Duplicate:
        return QStringLiteral("duplicate");
    case AddRefusal::Limit:
        return QStringLiteral("limit");
    }
    return {};
}

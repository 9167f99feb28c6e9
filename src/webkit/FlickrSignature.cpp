#include "webkit/FlickrSignature.h"

#include "webkit/Md5.h"

#include <algorithm>

QString SignFlickrCall(const QString &sharedSecret, QList<std::pair<QString, QString>> pairs)
{
    std::sort(pairs.begin(), pairs.end());
    QString base = sharedSecret;
    for (const auto &[name, value] : std::as_const(pairs))
        base += name + value;
    return Md5HexOfBytes(base.toUtf8());
}

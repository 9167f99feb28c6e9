#pragma once

#include <QList>
#include <QString>

#include <utility>

// Flickr's api_sig: the MD5 of the shared secret followed by each pair's name
// and value, sorted by name, with nothing between them, as 32 upper-case
// hexadecimal digits. The text is hashed as UTF-8, the bytes the pairs
// travel as, so a caption beyond ASCII signs as the service checks it.
QString SignFlickrCall(const QString &sharedSecret, QList<std::pair<QString, QString>> pairs);

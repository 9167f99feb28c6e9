#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

using StandinPairs = QList<std::pair<QByteArray, QByteArray>>;

// How a service read the bytes of its parameters: most took UTF-8, the old
// form endpoints took the sender's ANSI code page.
enum class StandinCharset
{
    Utf8,
    Windows1252
};

// One part of a multipart body (form-data, related), bytes as sent.
struct StandinPart
{
    StandinPairs headers; // in the order they arrived
    QByteArray name;      // the Content-Disposition name
    QByteArray filename;  // the Content-Disposition filename; null when the part has none
    QByteArray body;

    QByteArray header(const QByteArray &name) const;
};

// What a stand-in saw of one request, every byte as sent.
struct StandinRequest
{
    QByteArray method;      // as sent, e.g. "GET"
    QByteArray path;        // without the query
    QByteArray query;       // the raw query string after "?", still percent-encoded
    StandinPairs headers;   // in the order they arrived
    QByteArray body;        // the body as sent (chunked transfer framing removed)
    QByteArray requestLine; // e.g. "POST /upload?x=1 HTTP/1.1", without the line end
    QByteArray authority;   // where it was sent: an absolute target's host and port, else the Host header

    // The first value of a header (name compared without regard to case);
    // a null QByteArray when absent, an empty one when sent empty.
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
    QList<QByteArray> headerNames() const;

    // One parameter of the query string or of a form body, percent-decoded
    // ("+" is a blank) and read in `charset`; the first of duplicates; a null
    // QString when absent.
    QString queryValue(const QString &key, StandinCharset charset = StandinCharset::Utf8) const;
    QString formValue(const QString &key, StandinCharset charset = StandinCharset::Utf8) const;

    // Every parameter as sent: raw "key=value" pairs split at "&" and the
    // first "=", still percent-encoded, in order, duplicates kept.
    StandinPairs queryPairs() const;
    StandinPairs formPairs() const;
    // The same pairs, decoded.
    QList<std::pair<QString, QString>> queryParameters(StandinCharset charset = StandinCharset::Utf8) const;
    QList<std::pair<QString, QString>> formParameters(StandinCharset charset = StandinCharset::Utf8) const;

    // The parts of a multipart/form-data body; nothing when the request is
    // not multipart or the body does not follow its boundary exactly (a
    // missing closing delimiter, a part without its CRLF, ...).
    std::optional<QList<StandinPart>> multipart() const;

    static StandinPairs splitPairs(const QByteArray &encoded);
    // The same pairs percent-decoded ("+" is a blank) but kept as bytes, as
    // a signature is computed over them.
    static StandinPairs percentDecodedPairs(const QByteArray &encoded);
    static QString decodeComponent(const QByteArray &encoded, StandinCharset charset);
    static std::optional<QList<StandinPart>> parseMultipart(const QByteArray &body,
                                                            const QByteArray &boundary);
};

#include "sandbox/StandinRequest.h"

#include "webkit/Ansi.h"

namespace {

QByteArray headerIn(const StandinPairs &headers, const QByteArray &name)
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second.isNull() ? QByteArray("") : h.second;
    }
    return {};
}

// The parameters of a header value such as
//   form-data; name="file"; filename="a;b.jpg"
// as raw bytes; quoted values may hold ";" and backslash-escaped quotes.
StandinPairs headerParameters(const QByteArray &value)
{
    StandinPairs out;
    qsizetype i = value.indexOf(';');
    while (i >= 0 && i < value.size()) {
        ++i;
        while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
            ++i;
        const qsizetype eq = value.indexOf('=', i);
        const qsizetype semi = value.indexOf(';', i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            i = semi;
            continue;
        }
        const QByteArray name = value.mid(i, eq - i).trimmed().toLower();
        i = eq + 1;
        QByteArray v;
        if (i < value.size() && value[i] == '"') {
            ++i;
            while (i < value.size() && value[i] != '"') {
                if (value[i] == '\\' && i + 1 < value.size())
                    ++i;
                v.append(value[i]);
                ++i;
            }
            i = value.indexOf(';', i);
        } else {
            const qsizetype end = value.indexOf(';', i);
            v = value.mid(i, end < 0 ? -1 : end - i).trimmed();
            i = end;
        }
        if (v.isNull())
            v = QByteArray("");
        out.append({name, v});
    }
    return out;
}

QString decoded(const QByteArray &encoded, StandinCharset charset)
{
    QString text = StandinRequest::decodeComponent(encoded, charset);
    if (text.isNull())
        text = QStringLiteral("");
    return text;
}

QString valueOf(const StandinPairs &pairs, const QString &key, StandinCharset charset)
{
    for (const auto &[k, v] : pairs) {
        if (StandinRequest::decodeComponent(k, charset) == key)
            return decoded(v, charset);
    }
    return {};
}

QList<std::pair<QString, QString>> decodedPairs(const StandinPairs &pairs, StandinCharset charset)
{
    QList<std::pair<QString, QString>> out;
    for (const auto &[k, v] : pairs)
        out.append({decoded(k, charset), decoded(v, charset)});
    return out;
}

} // namespace

QByteArray StandinPart::header(const QByteArray &key) const
{
    return headerIn(headers, key);
}

QByteArray StandinRequest::header(const QByteArray &name) const
{
    return headerIn(headers, name);
}

bool StandinRequest::hasHeader(const QByteArray &name) const
{
    return !header(name).isNull();
}

QList<QByteArray> StandinRequest::headerNames() const
{
    QList<QByteArray> out;
    for (const auto &h : headers)
        out.append(h.first);
    return out;
}

StandinPairs StandinRequest::splitPairs(const QByteArray &encoded)
{
    StandinPairs out;
    for (const QByteArray &item : encoded.split('&')) {
        if (item.isEmpty())
            continue;
        const qsizetype eq = item.indexOf('=');
        out.append(eq < 0 ? std::pair{item, QByteArray("")} : std::pair{item.left(eq), item.mid(eq + 1)});
    }
    return out;
}

StandinPairs StandinRequest::percentDecodedPairs(const QByteArray &encoded)
{
    StandinPairs out = splitPairs(encoded);
    for (auto &[name, value] : out) {
        name = QByteArray::fromPercentEncoding(name.replace('+', ' '));
        value = QByteArray::fromPercentEncoding(value.replace('+', ' '));
    }
    return out;
}

QString StandinRequest::decodeComponent(const QByteArray &encoded, StandinCharset charset)
{
    QByteArray bytes = encoded;
    bytes.replace('+', ' ');
    bytes = QByteArray::fromPercentEncoding(bytes);
    return charset == StandinCharset::Windows1252 ? Ansi::toUnicode(bytes) : QString::fromUtf8(bytes);
}

QString StandinRequest::queryValue(const QString &key, StandinCharset charset) const
{
    return valueOf(queryPairs(), key, charset);
}

QString StandinRequest::formValue(const QString &key, StandinCharset charset) const
{
    return valueOf(formPairs(), key, charset);
}

StandinPairs StandinRequest::queryPairs() const
{
    return splitPairs(query);
}

StandinPairs StandinRequest::formPairs() const
{
    return splitPairs(body);
}

QList<std::pair<QString, QString>> StandinRequest::queryParameters(StandinCharset charset) const
{
    return decodedPairs(queryPairs(), charset);
}

QList<std::pair<QString, QString>> StandinRequest::formParameters(StandinCharset charset) const
{
    return decodedPairs(formPairs(), charset);
}

std::optional<QList<StandinPart>> StandinRequest::multipart() const
{
    const QByteArray type = header("Content-Type");
    if (!type.trimmed().toLower().startsWith("multipart/"))
        return std::nullopt;
    for (const auto &[name, value] : headerParameters(type)) {
        if (name == "boundary")
            return parseMultipart(body, value);
    }
    return std::nullopt;
}

std::optional<QList<StandinPart>> StandinRequest::parseMultipart(const QByteArray &body,
                                                                 const QByteArray &boundary)
{
    if (boundary.isEmpty() || boundary.size() > 70)
        return std::nullopt;
    const QByteArray delimiter = "--" + boundary;
    const QByteArray inner = "\r\n" + delimiter;
    qsizetype pos = 0;
    if (body.startsWith(delimiter)) {
        pos = delimiter.size();
    } else {
        const qsizetype first = body.indexOf(inner); // after a preamble
        if (first < 0)
            return std::nullopt;
        pos = first + inner.size();
    }
    QList<StandinPart> parts;
    for (;;) {
        if (body.mid(pos, 2) == "--")
            return parts;
        while (pos < body.size() && (body[pos] == ' ' || body[pos] == '\t'))
            ++pos;
        if (body.mid(pos, 2) != "\r\n")
            return std::nullopt;
        pos += 2;

        StandinPart part;
        qsizetype bodyStart = 0;
        if (body.mid(pos, 2) == "\r\n") {
            bodyStart = pos + 2;
        } else {
            const qsizetype end = body.indexOf("\r\n\r\n", pos);
            if (end < 0)
                return std::nullopt;
            for (const QByteArray &line : body.mid(pos, end - pos).split('\n')) {
                const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
                const qsizetype colon = l.indexOf(':');
                if (colon <= 0)
                    return std::nullopt;
                part.headers.append({l.left(colon), l.mid(colon + 1).trimmed()});
            }
            bodyStart = end + 4;
        }
        const qsizetype next = body.indexOf(inner, bodyStart);
        if (next < 0)
            return std::nullopt;
        part.body = body.mid(bodyStart, next - bodyStart);
        for (const auto &[name, value] : headerParameters(part.header("Content-Disposition"))) {
            if (name == "name")
                part.name = value;
            else if (name == "filename")
                part.filename = value;
        }
        parts.append(part);
        pos = next + inner.size();
    }
}

#include "sandbox/services/UploadFaults.h"

#include "sandbox/SandboxStore.h"

#include <QDateTime>
#include <QUrl>

void UploadFaults::failNext(int count, int status, int retryAfterSeconds)
{
    std::lock_guard lock(m_mutex);
    m_count = count;
    m_status = status;
    m_retryAfter = retryAfterSeconds;
}

std::optional<StandinAnswer> UploadFaults::arrive(const QByteArray &contentType, const QByteArray &body)
{
    std::lock_guard lock(m_mutex);
    m_arrivals.append(QDateTime::currentMSecsSinceEpoch());
    if (m_count <= 0)
        return std::nullopt;
    --m_count;
    StandinAnswer a;
    a.status = m_status;
    a.headers.append({QByteArray("Content-Type"), contentType});
    if (m_retryAfter >= 0)
        a.headers.append({QByteArray("Retry-After"), QByteArray::number(m_retryAfter)});
    a.body = body;
    return a;
}

void UploadFaults::setAnswerDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(m_mutex);
    m_delay = delay;
}

std::chrono::milliseconds UploadFaults::answerDelay() const
{
    std::lock_guard lock(m_mutex);
    return m_delay;
}

QList<qint64> UploadFaults::arrivals() const
{
    std::lock_guard lock(m_mutex);
    return m_arrivals;
}

QList<std::pair<QString, QString>> decodedPairs(const QByteArray &encoded)
{
    QList<std::pair<QString, QString>> out;
    for (QByteArray item : encoded.split('&')) {
        if (item.isEmpty())
            continue;
        item.replace('+', ' ');
        const qsizetype eq = item.indexOf('=');
        const QByteArray name = eq < 0 ? item : item.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : item.mid(eq + 1);
        out.append({QUrl::fromPercentEncoding(name), QUrl::fromPercentEncoding(value)});
    }
    return out;
}

namespace {

QByteArray parameterOf(const QByteArray &header, const QByteArray &name)
{
    for (QByteArray piece : header.split(';')) {
        piece = piece.trimmed();
        if (!piece.startsWith(QByteArray(name + '=')))
            continue;
        QByteArray value = piece.mid(name.size() + 1);
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

} // namespace

QList<FormPart> multipartParts(const QByteArray &contentType, const QByteArray &body)
{
    QList<FormPart> parts;
    if (!contentType.trimmed().toLower().startsWith("multipart/form-data"))
        return parts;
    const QByteArray boundary = parameterOf(contentType, "boundary");
    if (boundary.isEmpty())
        return parts;
    const QByteArray delimiter = "--" + boundary;
    qsizetype at = body.indexOf(delimiter);
    while (at >= 0) {
        at += delimiter.size();
        if (body.mid(at, 2) == "--")
            break;
        if (body.mid(at, 2) == "\r\n")
            at += 2;
        const qsizetype headEnd = body.indexOf("\r\n\r\n", at);
        if (headEnd < 0)
            break;
        const qsizetype next = body.indexOf(QByteArray("\r\n" + delimiter), headEnd + 4);
        if (next < 0)
            break;
        FormPart part;
        for (const QByteArray &line : body.mid(at, headEnd - at).split('\n')) {
            const QByteArray l = line.trimmed();
            if (!l.toLower().startsWith("content-disposition:"))
                continue;
            part.name = QString::fromUtf8(parameterOf(l.mid(20), "name"));
            if (l.contains("filename="))
                part.fileName = QString::fromUtf8(parameterOf(l.mid(20), "filename"));
        }
        part.data = body.mid(headEnd + 4, next - headEnd - 4);
        parts.append(part);
        at = next + 2;
    }
    return parts;
}

QString thumbnailRow(const QString &service, const QStringList &files)
{
    QString html = QStringLiteral("<div class=\"thumbs\">");
    for (const QString &file : files) {
        const QString url = SandboxStore::fileUrl(service, file).toHtmlEscaped();
        html += QStringLiteral("<figure><img src=\"%1\" alt=\"\" style=\"max-width:96px;max-height:96px\">"
                               "<figcaption>%2</figcaption></figure>")
                    .arg(url, file.toHtmlEscaped());
    }
    return html + QStringLiteral("</div>");
}

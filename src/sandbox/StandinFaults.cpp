#include "sandbox/StandinFaults.h"

#include <QStringList>

bool StandinFaults::any() const
{
    return latency.count() > 0 || answerBytesPerSecond > 0 || requestBytesPerSecond > 0 ||
           dripInterval.count() > 0 || truncateBodyAt >= 0 || closeAbruptly || oversizeBy > 0 || status != 0;
}

bool StandinFaults::appliesTo(const QByteArray &requestMethod) const
{
    return any() && count != 0 &&
           (method.isEmpty() || method.compare(requestMethod, Qt::CaseInsensitive) == 0);
}

QString StandinFaults::describe() const
{
    if (!any() || count == 0)
        return QStringLiteral("none");
    QStringList parts;
    if (latency.count() > 0)
        parts << QStringLiteral("latency %1 ms").arg(latency.count());
    if (answerBytesPerSecond > 0)
        parts << QStringLiteral("answers at %1 bytes/s").arg(answerBytesPerSecond);
    if (requestBytesPerSecond > 0)
        parts << QStringLiteral("requests read at %1 bytes/s").arg(requestBytesPerSecond);
    if (dripInterval.count() > 0)
        parts << QStringLiteral("drip %1 byte per %2 ms").arg(dripBytes).arg(dripInterval.count());
    if (truncateBodyAt >= 0)
        parts << QStringLiteral("answers cut after %1 bytes").arg(truncateBodyAt);
    if (closeAbruptly)
        parts << QStringLiteral("connection dropped");
    if (oversizeBy > 0)
        parts << QStringLiteral("answers %1 bytes longer").arg(oversizeBy);
    if (status != 0)
        parts << (retryAfterSeconds >= 0
                      ? QStringLiteral("status %1, Retry-After %2").arg(status).arg(retryAfterSeconds)
                      : QStringLiteral("status %1").arg(status));
    QString text = parts.join(u", ");
    if (!method.isEmpty())
        text += u" on " + QString::fromLatin1(method);
    if (count > 0)
        text += QStringLiteral(" (next %1 requests)").arg(count);
    return text;
}

StandinFaults StandinFaults::unavailable(int retryAfterSeconds, int count)
{
    StandinFaults f;
    f.status = 503;
    f.retryAfterSeconds = retryAfterSeconds;
    f.count = count;
    return f;
}

StandinFaults StandinFaults::serverError(int status, int count)
{
    StandinFaults f;
    f.status = status;
    f.count = count;
    return f;
}

StandinFaults StandinFaults::late(std::chrono::milliseconds latency, const QByteArray &method, int count)
{
    StandinFaults f;
    f.latency = latency;
    f.method = method;
    f.count = count;
    return f;
}

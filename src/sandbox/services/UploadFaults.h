#pragma once

#include "sandbox/StandinServer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <mutex>
#include <optional>
#include <utility>

// Faults an upload stand-in plays on demand, and when uploads arrived, for
// the retry tests: the next `count` uploads get `status` (with Retry-After
// when given) instead of their answer.
class UploadFaults
{
public:
    void failNext(int count, int status, int retryAfterSeconds = -1);
    // Called once per arriving upload; the fault's answer when one is due.
    std::optional<StandinAnswer> arrive(const QByteArray &contentType, const QByteArray &body);
    // Milliseconds since the epoch at which each upload arrived.
    QList<qint64> arrivals() const;
    // Every answer waits this long after the upload was kept, which widens
    // the moment in which a sender can die between the two.
    void setAnswerDelay(std::chrono::milliseconds delay);
    std::chrono::milliseconds answerDelay() const;

private:
    mutable std::mutex m_mutex;
    int m_count = 0;
    int m_status = 503;
    int m_retryAfter = -1;
    QList<qint64> m_arrivals;
    std::chrono::milliseconds m_delay{0};
};

// Raw name/value pairs of a query string or form body, percent-decoded ("+"
// is a blank), in order, duplicates kept.
QList<std::pair<QString, QString>> decodedPairs(const QByteArray &encoded);

// One part of a multipart/form-data body.
struct FormPart
{
    QString name;
    QString fileName; // null for a plain field
    QByteArray data;
};
// The parts in order; nothing when the body is not multipart with that
// boundary (taken from `contentType`).
QList<FormPart> multipartParts(const QByteArray &contentType, const QByteArray &body);

// The HTML of a row of thumbnails for the sandbox page.
QString thumbnailRow(const QString &service, const QStringList &files);

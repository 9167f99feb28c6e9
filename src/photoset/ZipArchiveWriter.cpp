#include "photoset/ZipArchiveWriter.h"

#include "photoset/PathRoutines.h"
#include "photoset/PrepareImage.h"
#include "platform/OrderedWork.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <QtDebug>

#include <zlib.h>

#include <chrono>
#include <optional>
#include <vector>

namespace {

constexpr quint16 kStored = 0;
constexpr quint16 kDeflated = 8;
constexpr quint16 kUtf8Names = 0x0800;
constexpr quint32 kMax32 = 0xFFFFFFFFu;
// Made by a Unix-style writer: readers then keep the permission bits below.
constexpr quint16 kVersionMadeBy = (3 << 8) | 45;
constexpr quint32 kRegularFileMode = 0100644u << 16;

// One photo, ready to be written: its data already in the entry's form.
struct Entry
{
    bool ok = false;
    QString error;
    QByteArray name; // UTF-8
    QByteArray data; // stored or deflated bytes
    quint16 method = kStored;
    quint32 crc = 0;
    quint64 size = 0; // uncompressed
    quint16 dosTime = 0;
    quint16 dosDate = 0;
};

void dosDateTime(const QDateTime &when, quint16 &time, quint16 &date)
{
    QDateTime t = when.isValid() ? when.toLocalTime() : QDateTime::currentDateTime();
    if (t.date().year() < 1980)
        t = QDateTime(QDate(1980, 1, 1), QTime(0, 0));
    time = quint16((t.time().hour() << 11) | (t.time().minute() << 5) | (t.time().second() / 2));
    date = quint16(((t.date().year() - 1980) << 9) | (t.date().month() << 5) | t.date().day());
}

bool deflateRaw(const QByteArray &in, QByteArray &out)
{
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    out.resize(qsizetype(deflateBound(&z, uLong(in.size()))));
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
    z.avail_in = uInt(in.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    return rc == Z_STREAM_END;
}

Entry prepareEntry(const QString &path, int uploadSize, MetadataRule rule, const QByteArray &ready)
{
    Entry e;
    e.name = JustFileName(path).toUtf8();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        e.error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return e;
    }
    dosDateTime(QFileInfo(file).lastModified(), e.dosTime, e.dosDate);
    QByteArray bytes = ready;
    if (bytes.isEmpty()) {
        const QByteArray original = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            e.error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
            return e;
        }
        bytes = PrepareImageBytes(original, uploadSize, rule);
    }
    file.close();
    e.size = quint64(bytes.size());
    e.crc = quint32(crc32_z(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(bytes.constData()),
                            size_t(bytes.size())));

    // JPEG, PNG and GIF are compressed already: deflating them costs time
    // and gains a percent at best. BMP and the rest shrink a lot.
    const PhotoFormat format = PhotoFormatOf(bytes);
    QByteArray packed;
    if (format != PhotoFormat::Jpeg && format != PhotoFormat::Png && format != PhotoFormat::Gif &&
        deflateRaw(bytes, packed) && packed.size() < bytes.size()) {
        e.method = kDeflated;
        e.data = std::move(packed);
    } else {
        e.method = kStored;
        e.data = bytes;
    }
    e.ok = true;
    return e;
}

void put16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
void put32(QByteArray &b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}
void put64(QByteArray &b, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// What the central directory needs to know of a written entry.
struct Written
{
    QByteArray name;
    quint16 method;
    quint32 crc;
    quint64 size;
    quint64 packed;
    quint64 offset;
    quint16 dosTime;
    quint16 dosDate;
};

QByteArray localHeader(const Entry &e)
{
    const bool zip64 = e.size >= kMax32 || quint64(e.data.size()) >= kMax32;
    QByteArray h;
    put32(h, 0x04034b50);
    put16(h, zip64 ? 45 : (e.method == kDeflated ? 20 : 10));
    put16(h, kUtf8Names);
    put16(h, e.method);
    put16(h, e.dosTime);
    put16(h, e.dosDate);
    put32(h, e.crc);
    put32(h, zip64 ? kMax32 : quint32(e.data.size()));
    put32(h, zip64 ? kMax32 : quint32(e.size));
    put16(h, quint16(e.name.size()));
    put16(h, zip64 ? 20 : 0);
    h.append(e.name);
    if (zip64) {
        put16(h, 0x0001);
        put16(h, 16);
        put64(h, e.size);
        put64(h, quint64(e.data.size()));
    }
    return h;
}

QByteArray centralDirectory(const std::vector<Written> &entries, quint64 start)
{
    QByteArray cd;
    for (const Written &w : entries) {
        QByteArray extra;
        if (w.size >= kMax32)
            put64(extra, w.size);
        if (w.packed >= kMax32)
            put64(extra, w.packed);
        if (w.offset >= kMax32)
            put64(extra, w.offset);
        if (!extra.isEmpty()) {
            QByteArray head;
            put16(head, 0x0001);
            put16(head, quint16(extra.size()));
            extra.prepend(head);
        }
        put32(cd, 0x02014b50);
        put16(cd, kVersionMadeBy);
        put16(cd, !extra.isEmpty() ? 45 : (w.method == kDeflated ? 20 : 10));
        put16(cd, kUtf8Names);
        put16(cd, w.method);
        put16(cd, w.dosTime);
        put16(cd, w.dosDate);
        put32(cd, w.crc);
        put32(cd, w.packed >= kMax32 ? kMax32 : quint32(w.packed));
        put32(cd, w.size >= kMax32 ? kMax32 : quint32(w.size));
        put16(cd, quint16(w.name.size()));
        put16(cd, quint16(extra.size()));
        put16(cd, 0); // comment
        put16(cd, 0); // disk
        put16(cd, 0); // internal attributes
        put32(cd, kRegularFileMode);
        put32(cd, w.offset >= kMax32 ? kMax32 : quint32(w.offset));
        cd.append(w.name);
        cd.append(extra);
    }

    const quint64 size = quint64(cd.size());
    const quint64 count = entries.size();
    const bool zip64 = count >= 0xFFFF || size >= kMax32 || start >= kMax32;
    if (zip64) {
        const quint64 record = start + size;
        put32(cd, 0x06064b50);
        put64(cd, 44);
        put16(cd, kVersionMadeBy);
        put16(cd, 45);
        put32(cd, 0);
        put32(cd, 0);
        put64(cd, count);
        put64(cd, count);
        put64(cd, size);
        put64(cd, start);
        put32(cd, 0x07064b50); // locator
        put32(cd, 0);
        put64(cd, record);
        put32(cd, 1);
    }
    put32(cd, 0x06054b50);
    put16(cd, 0);
    put16(cd, 0);
    put16(cd, zip64 ? 0xFFFF : quint16(count));
    put16(cd, zip64 ? 0xFFFF : quint16(count));
    put32(cd, zip64 ? kMax32 : quint32(size));
    put32(cd, zip64 ? kMax32 : quint32(start));
    put16(cd, 0);
    return cd;
}

} // namespace

ZipArchiveWriter::ZipArchiveWriter(int uploadSize, int threads)
    : m_uploadSize(uploadSize), m_threads(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()))
{
}

ZipArchiveWriter::Outcome ZipArchiveWriter::write(const QString &archivePath, const QStringList &photoPaths,
                                                  const Hooks &hooks, const QList<QByteArray> &prepared)
{
    m_error.clear();
    m_leftOut.clear();
    auto isCancelled = [&hooks] { return hooks.cancelled && hooks.cancelled(); };

    QSaveFile out(archivePath);
    // Without this QSaveFile would write straight to the final name on file
    // systems where it cannot make a temporary file beside it.
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot create %1: %2").arg(archivePath, out.errorString());
        return Outcome::Failed;
    }

    const int total = int(photoPaths.size());
    platform::OrderedWork<Entry> work(m_threads);
    int submitted = 0;
    const int uploadSize = m_uploadSize;
    const MetadataRule rule = m_rule;
    auto topUp = [&] {
        for (; submitted < total && work.wantsMore(); ++submitted) {
            work.push([path = photoPaths.at(submitted), uploadSize, rule, ready = prepared.value(submitted)] {
                return prepareEntry(path, uploadSize, rule, ready);
            });
        }
    };
    auto stop = [&](Outcome outcome) {
        out.cancelWriting();
        work.abandon();
        return outcome;
    };

    std::vector<Written> written;
    written.reserve(size_t(total));
    quint64 offset = 0;
    const auto tick = std::chrono::milliseconds(hooks.pump ? 15 : 50);
    for (int i = 0; i < total; ++i) {
        topUp();
        std::optional<Entry> next = work.takeFront(
            [&] {
                if (hooks.pump)
                    hooks.pump();
                return !isCancelled();
            },
            tick);
        if (hooks.pump)
            hooks.pump();
        if (!next || isCancelled())
            return stop(Outcome::Cancelled);

        const Entry &entry = *next;
        if (entry.ok) {
            const QByteArray header = localHeader(entry);
            if (out.write(header) != header.size() || out.write(entry.data) != entry.data.size()) {
                m_error = QStringLiteral("cannot write %1: %2").arg(archivePath, out.errorString());
                return stop(Outcome::Failed);
            }
            written.push_back({entry.name, entry.method, entry.crc, entry.size, quint64(entry.data.size()),
                               offset, entry.dosTime, entry.dosDate});
            offset += quint64(header.size()) + quint64(entry.data.size());
        } else {
            // A photo moved or deleted since it was added costs the archive
            // that one entry, not everything else.
            m_leftOut.append(photoPaths.at(i));
            qWarning("Zip: %s", qPrintable(entry.error));
        }
        if (hooks.progress)
            hooks.progress(i + 1, total);
    }

    const QByteArray tail = centralDirectory(written, offset);
    if (out.write(tail) != tail.size() || !out.commit()) {
        m_error = QStringLiteral("cannot write %1: %2").arg(archivePath, out.errorString());
        return stop(Outcome::Failed);
    }
    return Outcome::Written;
}

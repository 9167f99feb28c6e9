#include "ExportTestSupport.h"

#include "imaging/TestImages.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>

#include <zip.h>

QByteArray pictureBytes(int width, int height, const char *format)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x * 255) / width, (y * 255) / height, ((x + y) * 7) & 0xFF);
    }
    return testimages::encodedImage(image, format);
}

QImage imageOf(const QByteArray &bytes, bool autoTransform)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(autoTransform);
    return reader.read();
}

QSize sizeOf(const QByteArray &bytes)
{
    return imageOf(bytes).size();
}

std::vector<ZipEntry> readZip(const QString &path, bool *ok, bool strict, int only)
{
    std::vector<ZipEntry> entries;
    if (ok)
        *ok = false;
    int error = 0;
    zip_t *archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | (strict ? ZIP_CHECKCONS : 0), &error);
    if (!archive)
        return entries;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    bool good = true;
    for (zip_int64_t i = only < 0 ? 0 : only; i < (only < 0 ? count : std::min<zip_int64_t>(count, only + 1));
         ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) != 0) {
            good = false;
            break;
        }
        ZipEntry e;
        e.name = QString::fromUtf8(st.name);
        e.method = st.comp_method;
        e.data.resize(qsizetype(st.size));
        zip_file_t *f = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (!f || zip_fread(f, e.data.data(), st.size) != zip_int64_t(st.size))
            good = false;
        if (f)
            zip_fclose(f); // verifies the CRC
        entries.push_back(std::move(e));
    }
    zip_discard(archive);
    if (ok)
        *ok = good;
    return entries;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

#include "support/TaggedPhoto.h"

#include "imaging/TestImages.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImage>
#include <QtEndian>

#include <exiv2/exiv2.hpp>

namespace tagged {
namespace {

QImage gradient(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), (x + y) & 0xFF));
    // Qt's writers embed the profile of an image that has one.
    image.setColorSpace(QColorSpace::AdobeRgb);
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 90);
    return bytes;
}

QByteArray encodedExif(const Exiv2::ExifData &exif)
{
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    return QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size()));
}

QByteArray exifBlock(QSize size, int orientation)
{
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = std::string("Canon");
    exif["Exif.Image.Model"] = std::string("Canon EOS 5D Mark III");
    exif["Exif.Image.Orientation"] = uint16_t(orientation);
    exif["Exif.Image.Artist"] = std::string("Ada Example");
    exif["Exif.Image.Copyright"] = std::string("(c) Ada Example");
    exif["Exif.Image.ImageDescription"] = std::string("Harbour at dusk");
    exif["Exif.Photo.DateTimeOriginal"] = std::string("2026:07:14 19:42:05");
    exif["Exif.Photo.OffsetTimeOriginal"] = std::string("+02:00");
    exif["Exif.Photo.SubSecTimeOriginal"] = std::string("250");
    exif["Exif.Photo.PixelXDimension"] = uint32_t(size.width());
    exif["Exif.Photo.PixelYDimension"] = uint32_t(size.height());
    exif["Exif.Photo.BodySerialNumber"] = std::string("093021001234");
    exif["Exif.Photo.LensSerialNumber"] = std::string("0000c1a2b3");
    exif["Exif.Photo.CameraOwnerName"] = std::string("Ada Example");
    exif["Exif.Canon.SerialNumber"] = uint32_t(1234567);
    exif["Exif.Canon.OwnerName"] = std::string("Ada Example");
    exif["Exif.GPSInfo.GPSVersionID"] = std::string("2 3 0 0");
    exif["Exif.GPSInfo.GPSLatitudeRef"] = std::string("N");
    exif["Exif.GPSInfo.GPSLatitude"] = std::string("52/1 22/1 1234/100");
    exif["Exif.GPSInfo.GPSLongitudeRef"] = std::string("E");
    exif["Exif.GPSInfo.GPSLongitude"] = std::string("4/1 53/1 4321/100");
    const QByteArray thumbnail = encoded(gradient(QSize(160, 120)), "jpeg");
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumbnail.constData()),
                                            thumbnail.size());
    return encodedExif(exif);
}

QByteArray xmpPacket(int orientation)
{
    Exiv2::XmpData xmp;
    xmp["Xmp.exif.GPSLatitude"] = std::string("52,22.2N");
    xmp["Xmp.exif.GPSLongitude"] = std::string("4,53.7E");
    xmp["Xmp.photoshop.City"] = std::string("Amsterdam");
    xmp["Xmp.aux.SerialNumber"] = std::string("093021001234");
    xmp["Xmp.dc.subject"] = std::string("harbour");
    xmp["Xmp.tiff.Orientation"] = std::to_string(orientation);
    std::string packet;
    Exiv2::XmpParser::encode(packet, xmp);
    return QByteArray::fromStdString(packet);
}

QByteArray segment(uchar marker, const QByteArray &payload)
{
    const qsizetype length = payload.size() + 2;
    QByteArray s;
    s.append(char(0xFF)).append(char(marker)).append(char(length >> 8)).append(char(length & 0xFF));
    return s + payload;
}

QByteArray iptcResources()
{
    Exiv2::IptcData iptc;
    iptc["Iptc.Application2.City"] = std::string("Amsterdam");
    iptc["Iptc.Application2.CountryName"] = std::string("Netherlands");
    iptc["Iptc.Application2.Caption"] = std::string("Harbour at dusk");
    const Exiv2::DataBuf raw = Exiv2::IptcParser::encode(iptc);
    QByteArray block("8BIM\x04\x04\0\0", 8);
    uchar size[4];
    qToBigEndian<quint32>(quint32(raw.size_), size);
    block.append(reinterpret_cast<const char *>(size), 4);
    block.append(reinterpret_cast<const char *>(raw.pData_), raw.size_);
    if (raw.size_ & 1)
        block.append('\0');
    return QByteArray("Photoshop 3.0\0", 14) + block;
}

} // namespace

QByteArray jpeg(QSize size, int orientation)
{
    const QByteArray plain = encoded(gradient(size), "jpeg");
    const qsizetype app0End = 4 + ((uchar(plain[4]) << 8) | uchar(plain[5])); // Qt writes JFIF first
    const QByteArray metadata =
        segment(0xE1, QByteArray("Exif\0\0", 6) + exifBlock(size, orientation)) +
        segment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + xmpPacket(orientation)) +
        segment(0xED, iptcResources());
    // Cameras append a larger preview after the picture's end.
    return plain.left(app0End) + metadata + plain.mid(app0End) + encoded(gradient(QSize(320, 240)), "jpeg");
}

QByteArray png(QSize size)
{
    const QByteArray plain = encoded(gradient(size), "png");
    const qsizetype headerEnd = 8 + 25; // signature and IHDR
    const QByteArray xmp = QByteArray("XML:com.adobe.xmp\0\0\0\0\0", 22) + xmpPacket(1);
    return plain.left(headerEnd) + testimages::pngChunk("eXIf", exifBlock(size, 1)) +
           testimages::pngChunk("iTXt", xmp) + plain.mid(headerEnd);
}

QByteArray withOrientation(const QByteArray &jpeg, int orientation)
{
    Exiv2::ExifData exif;
    exif["Exif.Image.Orientation"] = uint16_t(orientation);
    return jpeg.left(2) + segment(0xE1, QByteArray("Exif\0\0", 6) + encodedExif(exif)) + jpeg.mid(2);
}

QMap<QString, QString> readBack(const QByteArray &photo)
{
    QMap<QString, QString> keys;
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(photo.constData()),
                                           long(photo.size()));
    image->readMetadata();
    for (const auto &d : image->exifData())
        keys.insert(QString::fromStdString(d.key()), QString::fromStdString(d.toString()));
    for (const auto &d : image->xmpData())
        keys.insert(QString::fromStdString(d.key()), QString::fromStdString(d.toString()));
    for (const auto &d : image->iptcData())
        keys.insert(QString::fromStdString(d.key()), QString::fromStdString(d.toString()));
    if (image->iccProfileDefined())
        keys.insert(QStringLiteral("icc"), QString::number(image->iccProfile()->size_));
    return keys;
}

QByteArray scanData(const QByteArray &jpeg)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at + 1]) != 0xDA)
        at += 2 + ((uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]));
    // Coded data never holds the end marker: the first one is the picture's.
    const qsizetype end = jpeg.indexOf("\xFF\xD9", at);
    return end < 0 ? QByteArray() : jpeg.mid(at, end + 2 - at);
}

} // namespace tagged

#include "photoset/clsTray.h"

#include "imaging/cGDIpImage.h"
#include "photoset/PathRoutines.h"
#include "photoset/PrepareImage.h"
#include "platform/FileIdentity.h"
#include "webkit/Md5.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pugixml.hpp>

namespace {

constexpr qsizetype kWholeFileLimit = 30000;
constexpr qsizetype kStretch = 10000;

// Reads the file in one go; false when it cannot be opened or shrank while
// being read.
bool readWholeFile(const QString &path, QByteArray &bytes)
{
    // Only plain files: opening a pipe would wait for a writer, and a device
    // has no end to read to.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential())
        return false;
    const qint64 expected = file.size();
    bytes = file.readAll();
    return bytes.size() >= expected;
}

// Middle stretch start, 1-based: L/2 - 5000 rounded to the nearest integer,
// halves to even. L/2 has a half only when L is odd.
qsizetype middleStretchPosition(qsizetype length)
{
    const qsizetype floor = length / 2 - 5000;
    if (length % 2 == 0)
        return floor;
    return floor % 2 == 0 ? floor : floor + 1;
}

PhotoCheck examine(const QString &path, cGDIpToken *token, cGDIpImage &probe, int uploadSize,
                   MetadataRule rule)
{
    PhotoCheck check;
    check.FilePath = path;
    if (!clsTray::HasPhotoExtension(path)) {
        check.refusal = AddRefusal::Extension;
        return check;
    }
    QByteArray bytes;
    if (!readWholeFile(path, bytes)) {
        check.refusal = AddRefusal::Unreadable;
        return check;
    }
    check.size = bytes.size();
    check.modified = QFileInfo(path).lastModified();
    // A photo bigger than the upload size is decoded once for both jobs:
    // the strict decode that makes its copy also proves it whole.
    EncodeRates rates;
    const QByteArray pixels = ScaledJpegPixels(bytes, uploadSize, &rates);
    if (!pixels.isEmpty()) {
        check.prepared = CopyToSend(bytes, pixels, rule).bytes;
        check.preparedFor = uploadSize;
        check.preparedRule = rule;
        check.imageType = cGDIpImage::Jpeg;
        check.ID = clsTray::HashOfContent(bytes);
        check.digest = platform::contentDigest(bytes);
        check.facts = LearnPhotoFacts(bytes, pixels, uploadSize, rates);
        return check;
    }
    if (!probe.LoadPicture_Bytes(bytes, token)) {
        switch (probe.status()) {
        case ImageLoadStatus::Damaged:
            check.refusal = AddRefusal::Damaged;
            break;
        case ImageLoadStatus::TooLarge:
            check.refusal = AddRefusal::TooLarge;
            break;
        case ImageLoadStatus::Undecodable:
            check.refusal = AddRefusal::UnsupportedType;
            break;
        default:
            check.refusal = AddRefusal::NotImage;
            break;
        }
        return check;
    }
    check.imageType = probe.ImageType();
    probe.Clear();
    switch (check.imageType) {
    case cGDIpImage::Bmp:
    case cGDIpImage::Gif:
    case cGDIpImage::Jpeg:
    case cGDIpImage::Png:
        break;
    default:
        check.refusal = AddRefusal::UnsupportedType;
        return check;
    }
    check.ID = clsTray::HashOfContent(bytes);
    check.digest = platform::contentDigest(bytes);
    check.facts = LearnPhotoFacts(bytes);
    return check;
}

} // namespace

clsTray::clsTray(QString dataFolder, cGDIpToken *token, int maxPhotos)
    : m_dataFolder(std::move(dataFolder)), m_token(token), m_maxPhotos(maxPhotos),
      m_probe(std::make_unique<cGDIpImage>())
{
}

clsTray::~clsTray() = default;

bool clsTray::AddPhoto(const QString &FilePath, const QString &Attribution, const QString &Remarks)
{
    (void)Attribution; // always looked up by ID
    return AddChecked(examine(FilePath, m_token, *m_probe, 0, MetadataRule::StoryOnly), Remarks) ==
           AddRefusal::None;
}

int clsTray::Count() const
{
    return int(m_photos.size());
}

qint64 clsTray::TotalSize() const
{
    qint64 total = 0;
    for (const Photo &photo : m_photos)
        total += photo.size;
    return total;
}

QString clsTray::GetMD5Hash(const QString &FilePath) const
{
    QByteArray bytes;
    if (!readWholeFile(FilePath, bytes))
        return {};
    return HashOfContent(bytes);
}

QString clsTray::HashOfContent(const QByteArray &bytes)
{
    const qsizetype length = bytes.size();
    if (length <= kWholeFileLimit)
        return Md5HexOfBytes(bytes);
    // Three stretches stand for the whole file: reading a few kilobytes of
    // a large photo is enough to tell photos apart, and fast.
    QByteArray sample;
    sample.reserve(3 * kStretch);
    sample += bytes.mid(0, kStretch);
    sample += bytes.mid(middleStretchPosition(length) - 1, kStretch);
    sample += bytes.mid(length - kStretch - 1, kStretch);
    return Md5HexOfBytes(sample);
}

QString clsTray::PhotoInfo(int Index, int Field) const
{
    if (Index < 0 || Index >= m_photos.size())
        return {};
    const Photo &photo = m_photos.at(Index);
    switch (Field) {
    case PhotoField::ID:
        return photo.ID;
    case PhotoField::FilePath:
        return photo.FilePath;
    case PhotoField::Attribution:
        return photo.Attribution;
    case PhotoField::Remarks:
        return photo.Remarks;
    default:
        return {};
    }
}

void clsTray::setPhotoInfo(int Index, int Field, const QString &value)
{
    if (Index < 0 || Index >= m_photos.size())
        return;
    Photo &photo = m_photos[Index];
    switch (Field) {
    case PhotoField::FilePath:
        photo.FilePath = value;
        break;
    case PhotoField::Attribution:
        photo.Attribution = value;
        break;
    case PhotoField::Remarks:
        photo.Remarks = value;
        break;
    default:
        break; // the ID is the key and stays
    }
}

void clsTray::RemoveAll()
{
    m_photos.clear();
    m_index.clear();
}

PhotoCheck clsTray::CheckPhoto(const QString &FilePath, cGDIpToken *token, int uploadSize, MetadataRule rule)
{
    cGDIpImage probe;
    return examine(FilePath, token, probe, uploadSize, rule);
}

AddRefusal clsTray::AddChecked(const PhotoCheck &check, const QString &Remarks)
{
    if (check.refusal != AddRefusal::None)
        return check.refusal;
    if (check.ID.isEmpty())
        return AddRefusal::Unreadable;
    if (Count() >= m_maxPhotos)
        return AddRefusal::Limit;
    if (m_index.contains(check.ID))
        return AddRefusal::Duplicate;
    m_index.insert(check.ID, int(m_photos.size()));
    m_photos.append(Photo{check.ID, check.FilePath, LookUpAttribution(check.ID), Remarks, check.prepared,
                          check.preparedFor, check.preparedRule, check.size, check.modified, check.facts,
                          check.digest});
    return AddRefusal::None;
}

bool clsTray::HasPhotoExtension(const QString &FilePath)
{
    const QString extension = JustFileExtn(FilePath, true).toUpper();
    return extension == u".JPG" || extension == u".JPEG" || extension == u".GIF" || extension == u".PNG" ||
           extension == u".BMP";
}

QString clsTray::LookUpAttribution(const QString &ID) const
{
    const QString path = QDir(m_dataFolder).filePath(QStringLiteral("Remarks.xml"));
    if (!QFileInfo::exists(path))
        return {};
    QByteArray bytes;
    if (!readWholeFile(path, bytes))
        return {};
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.constData(), size_t(bytes.size())))
        return {};
    try {
        pugi::xpath_variable_set vars;
        vars.set("id", ID.toUtf8().constData());
        const pugi::xpath_query query("//*[text()[normalize-space(.) = $id]]", &vars);
        const pugi::xml_node found = doc.select_node(query).node();
        if (!found)
            return {};
        const pugi::xml_node owner = std::string_view(found.name()) == "image" ? found : found.parent();
        return QString::fromUtf8(owner.child("attribution").text().get()).trimmed();
    } catch (const pugi::xpath_exception &) {
        return {};
    }
}

QByteArray clsTray::ContentDigestOf(const QString &FilePath) const
{
    for (const Photo &photo : m_photos) {
        if (photo.FilePath != FilePath)
            continue;
        // A file changed since it was added is no longer what was hashed.
        const QFileInfo now(photo.FilePath);
        if (!now.exists() || now.size() != photo.size || now.lastModified() != photo.modified)
            return {};
        return photo.digest;
    }
    return {};
}

QByteArray clsTray::PreparedCopyOf(const QString &FilePath, int uploadSize, MetadataRule rule) const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_photos.at(i).FilePath == FilePath)
            return PreparedCopy(i, uploadSize, rule);
    }
    return {};
}

PhotoFacts clsTray::Facts(int Index) const
{
    return Index >= 0 && Index < Count() ? m_photos.at(Index).facts : PhotoFacts{};
}

QByteArray clsTray::PreparedCopy(int Index, int uploadSize, MetadataRule rule) const
{
    if (Index < 0 || Index >= Count())
        return {};
    const Photo &photo = m_photos.at(Index);
    if (photo.prepared.isEmpty() || photo.preparedFor != uploadSize || photo.preparedRule != rule)
        return {};
    // A file changed since it was added gets a fresh copy.
    const QFileInfo now(photo.FilePath);
    if (!now.exists() || now.size() != photo.size || now.lastModified() != photo.modified)
        return {};
    return photo.prepared;
}

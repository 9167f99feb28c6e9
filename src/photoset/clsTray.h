#pragma once

#include "photoset/PhotoCheck.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// The photo set: up to MaxPhotos photos in the order they were added, keyed
// by a hash of their content so that the same photo is never taken twice,
// whatever its name or folder. Destinations read it by index.
//
// Field numbers of PhotoInfo.
namespace PhotoField {
inline constexpr int ID = 0;
inline constexpr int FilePath = 1;
inline constexpr int Attribution = 2;
inline constexpr int Remarks = 3;
} // namespace PhotoField

class cGDIpImage;
class cGDIpToken;

// The public members below keep their signatures: the main window, the
// destinations and the command-line tool call them. The photo-set work owns
// the rest of this class (private members, helpers, the fast parallel adder).
class clsTray
{
public:
    // `dataFolder` holds "Remarks.xml" (optional); `token` is the image
    // library's process token.
    clsTray(QString dataFolder, cGDIpToken *token, int maxPhotos = 100);
    ~clsTray();

    // Adds the photo when it is a real BMP, GIF, JPEG or PNG image (by
    // content) with an accepted extension, and its content is not in the set
    // yet. `Attribution` is ignored: it is looked up by the photo's ID.
    bool AddPhoto(const QString &FilePath, const QString &Attribution, const QString &Remarks);

    int Count() const;
    // The sizes of the photos in the set, as they were when added.
    qint64 TotalSize() const;

    // The photo's ID: MD5 over the file, or over three sampled stretches of
    // files larger than 30000 bytes.
    QString GetMD5Hash(const QString &FilePath) const;

    // A field of the photo at 0-based `Index`; empty when out of range.
    QString PhotoInfo(int Index, int Field) const;
    // Sets a field (the ID cannot be changed).
    void setPhotoInfo(int Index, int Field, const QString &value);

    void RemoveAll();

    // The pieces of AddPhoto, split so that the slow part (reading, decoding
    // and hashing) can run on worker threads while the set is still filled in
    // order on the caller's thread.

    // Examines a file without touching any set: extension, decoding, type
    // and ID. Safe to call from any thread.
    // With an `uploadSize`, a JPEG larger than it also gets the copy the
    // destinations send, with the metadata `rule` lets go (see PreparedCopy).
    static PhotoCheck CheckPhoto(const QString &FilePath, cGDIpToken *token, int uploadSize = 0,
                                 MetadataRule rule = MetadataRule::StoryOnly);
    // Adds an examined file unless its content is already here or the set is
    // full; returns AddRefusal::None when added. Any refusal of `check` is
    // passed through.
    AddRefusal AddChecked(const PhotoCheck &check, const QString &Remarks);

    // The copy of photo `Index` made for `uploadSize` and `rule` while it
    // was added; empty when none was made, when it was made for another size
    // or rule, or when the file changed since.
    QByteArray PreparedCopy(int Index, int uploadSize, MetadataRule rule) const;
    // The same for the photo at `FilePath`; empty when it is not in the set.
    QByteArray PreparedCopyOf(const QString &FilePath, int uploadSize, MetadataRule rule) const;

    // The SHA-256 (hex) of the photo at `FilePath` read when it was added;
    // empty when it is not in the set or its file changed since.
    QByteArray ContentDigestOf(const QString &FilePath) const;

    // What examining photo `Index` learnt, for estimates (see SendEstimate.h).
    PhotoFacts Facts(int Index) const;

    // True for the five accepted extensions, in any case.
    static bool HasPhotoExtension(const QString &FilePath);
    // The ID of content already read.
    static QString HashOfContent(const QByteArray &bytes);
    int MaxPhotos() const { return m_maxPhotos; }

private:
    struct Photo
    {
        QString ID;
        QString FilePath;
        QString Attribution;
        QString Remarks;
        QByteArray prepared;
        int preparedFor = 0;
        MetadataRule preparedRule = MetadataRule::StoryOnly;
        qint64 size = 0;
        QDateTime modified;
        PhotoFacts facts;
        QByteArray digest;
    };

    QString LookUpAttribution(const QString &ID) const;

    QString m_dataFolder;
    cGDIpToken *m_token;
    int m_maxPhotos;
    QList<Photo> m_photos;       // sending order
    QHash<QString, int> m_index; // ID -> position in m_photos
    std::unique_ptr<cGDIpImage> m_probe;
};

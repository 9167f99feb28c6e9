#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

class cGDIpToken;

// What a load attempt found; ImageType tells the kind once it succeeded.
enum class ImageLoadStatus
{
    NotLoaded,    // nothing tried yet, or cleared
    NoToken,      // the image library is not started
    Unreadable,   // the file is missing, locked or shrank while read
    Empty,        // zero bytes: refused without decoding
    Unrecognised, // no decoder knows the content
    Damaged,      // a known format that does not decode cleanly to its end
    Undecodable,  // recognised (a metafile) but there is no decoder for it here
    TooLarge,     // more pixels than a full decode may hold (see cGDIpImage::MaxPixels)
    Loaded,
};

// An image probe: decodes a file completely to learn its real kind and to
// prove that it is whole. The content decides the kind, never the name.
//
// Decoding runs at reduced scale where the codec allows it (JPEG at 1/8),
// because all we need is the proof that every byte decodes, not the pixels;
// no pixels are kept. A JPEG decoder warning (such as a file cut short)
// counts as damage, where a lenient viewer would paint the rest grey.
//
// One object is used by one thread at a time; different objects may load in
// parallel.
class cGDIpImage
{
public:
    // Numbers of ImageType; there is no 5. Metafiles are recognised but no
    // decoder here draws them, so they never load and 4 is not reported;
    // camera files with EXIF data are JPEGs and report 3, never 9.
    enum Kind
    {
        None = 0,
        Bmp = 1,
        Gif = 2,
        Jpeg = 3,
        Metafile = 4,
        Icon = 6,
        Png = 7,
        Tiff = 8,
        Exif = 9
    };

    // The most pixels a BMP, GIF or PNG may have. These are decoded whole,
    // at four bytes a pixel, and Qt's readers refuse images of more than
    // 128 MB; JPEGs are checked at 1/8 scale and have no such limit.
    static constexpr qint64 MaxPixels = 32'000'000;
    static constexpr int MaxMegapixels = int(MaxPixels / 1'000'000);

    cGDIpImage() = default;
    ~cGDIpImage();

    cGDIpImage(const cGDIpImage &) = delete;
    cGDIpImage &operator=(const cGDIpImage &) = delete;

    // Loads the file's image, replacing any image loaded before; true on
    // success. Fails when `TokenClass` is null or not started.
    bool LoadPicture_FileName(const QString &FileName, cGDIpToken *TokenClass);
    // The same over bytes already read (the caller read the file once).
    bool LoadPicture_Bytes(const QByteArray &bytes, cGDIpToken *TokenClass);

    // Kind of the loaded image; 0 when none is loaded or the format is not
    // one of the table's.
    int ImageType() const { return m_imageType; }
    ImageLoadStatus status() const { return m_status; }
    // Full size of the loaded image (from its header).
    QSize size() const { return m_size; }

    // Forgets the loaded image; stays registered with the token.
    void Clear();

private:
    friend class cGDIpToken;
    void detachFromToken() { m_token = nullptr; }

    bool fail(ImageLoadStatus status);
    bool decodeJpeg(const QByteArray &bytes);
    bool decodeWithQt(const QByteArray &bytes, const char *format);

    cGDIpToken *m_token = nullptr; // set on the first successful load
    int m_imageType = None;
    ImageLoadStatus m_status = ImageLoadStatus::NotLoaded;
    QSize m_size;
};

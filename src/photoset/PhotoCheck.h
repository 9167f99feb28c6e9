#pragma once

#include "photoset/SendEstimate.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Why a file did not join the photo set.
enum class AddRefusal
{
    None,            // added
    Extension,       // not named .jpg, .jpeg, .gif, .png or .bmp
    Unreadable,      // missing, locked, or vanished while we looked
    NotImage,        // empty, or no decoder knows the content
    Damaged,         // a known image format that does not decode cleanly
    TooLarge,        // a whole image, but with more pixels than can be decoded
    UnsupportedType, // a real image, but not BMP, GIF, JPEG or PNG
    Duplicate,       // its content is already in the set
    Limit,           // the set is full
};

// A short lower-case word or two for logs and the command line.
QString refusalText(AddRefusal refusal);

// What examining one file found, before the set is touched. Computed off the
// user-interface thread; committing it to the set is cheap.
struct PhotoCheck
{
    QString FilePath;
    AddRefusal refusal = AddRefusal::None;
    QString ID; // content hash; empty when refused
    // SHA-256 of the whole content (hex), which the send history knows a
    // photo by: the sampled ID above tells photos apart within one set, but
    // an edit between its samples would pass for a photo sent before.
    QByteArray digest;
    qint64 size = 0; // bytes, as read
    int imageType = 0;
    // The copy the destinations send at upload size `preparedFor` with the
    // metadata `preparedRule` lets go, made while the file was decoded
    // anyway; empty when none was made.
    QByteArray prepared;
    int preparedFor = 0;
    MetadataRule preparedRule = MetadataRule::StoryOnly;
    QDateTime modified; // the file's time when it was read
    PhotoFacts facts;   // for estimates of what leaves
};

#pragma once

#include "platform/FileIdentity.h"

#include <QString>

// One photo as the program hands it to the uploader, and as the queue keeps
// it: the file the user chose, its caption, the copy already scaled for the
// job's size, and what the file was when it was queued, so that what is
// sent later is that file and nothing put in its place.
struct UploadItem
{
    QString path;     // as the user chose it
    QString remarks;  // the caption, where the service takes one
    QString prepared; // the copy made for the upload size; empty for none
    platform::FileIdentity identity;
    // The name it takes in the job's folder, decided when it is queued so
    // that a retry never picks another (remotes of rclone); empty for the
    // service's own choice. Kept as the photo's note, where a send that has
    // to rename it keeps the new one.
    QString name;
    // SHA-256 of the content (hex), what the send history knows the photo
    // by; empty when unknown, and the photo is then not remembered.
    QByteArray content;
    // Why the photo cannot go, found when it was queued: it is kept as
    // failed for that reason and the rest of the job goes.
    QString problem;
};

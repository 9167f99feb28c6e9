#pragma once

#include "cloudfolders/flows/UploadLists.h"

#include "webkit/ServiceId.h"

#include <QString>

class BackgroundUploader;
class UserPrompt;

// Before a job is handed over: when some of its photos already arrived at
// that place, the user says whether they go again, stay out ("Skip those",
// which takes them out of `lists`), or nothing goes (false).
// `service` and `target` as the uploader's Upload calls take them; `place`
// names where they went for the user ("Dropbox / Holiday").
bool askAboutPhotosSentBefore(UserPrompt &prompt, BackgroundUploader &uploader, const ServiceId &service,
                              const QString &target, const QString &place, UploadLists &lists);

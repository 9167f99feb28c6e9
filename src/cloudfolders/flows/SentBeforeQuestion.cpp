#include "cloudfolders/flows/SentBeforeQuestion.h"

#include "core/UserPrompt.h"
#include "webkit/BackgroundUploader.h"

#include <QDateTime>
#include <QLocale>
#include <QSet>

bool askAboutPhotosSentBefore(UserPrompt &prompt, BackgroundUploader &uploader, const ServiceId &service,
                              const QString &target, const QString &place, UploadLists &lists)
{
    const PhotosSentBefore before = uploader.sentBefore(service, lists.photoList, target);
    if (before.paths.isEmpty())
        return true;
    const QString when =
        QLocale::c().toString(QDateTime::fromMSecsSinceEpoch(before.latest).date(), QStringLiteral("d MMM"));
    const QString message =
        QStringLiteral("%1 of these %2 photos %3 sent to %4 on %5")
            .arg(before.paths.size())
            .arg(lists.count)
            .arg(before.paths.size() == 1 ? QStringLiteral("was") : QStringLiteral("were"), place, when);
    switch (prompt.choose(message, QStringLiteral("Send them again"), QStringLiteral("Skip those"))) {
    case MsgBoxCode::Yes:
        return true;
    case MsgBoxCode::No:
        break;
    default:
        return false;
    }
    const QSet<QString> skipped(before.paths.cbegin(), before.paths.cend());
    const QStringList paths = lists.photoList.split(u'\t');
    const QStringList remarks = lists.remarksList.split(QStringLiteral("#\t#"));
    UploadLists kept;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (!skipped.contains(paths.at(i)))
            kept.append(paths.at(i), remarks.value(i).mid(1)); // each entry starts with a blank
    }
    lists = kept;
    return true;
}

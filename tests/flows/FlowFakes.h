#pragma once

#include "cloudfolders/CloudConnector.h"
#include "cloudfolders/flows/CloudClientNotices.h"
#include "cloudfolders/flows/FolderChooser.h"
#include "support/NextAnswer.h"
#include "support/PhotoSetWorld.h"
#include "support/RecordingShell.h"
#include "support/RecordingUploadWindow.h"
#include "support/ScriptedUserPrompt.h"
#include "webkit/BackgroundUploader.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>

// A service that lists what it was given and remembers what it made.
class FakeAlbums : public AlbumSource
{
public:
    QList<AlbumEntry> listed;
    QStringList created;
    QString createdId = QStringLiteral("new-id");

    QList<AlbumEntry> albums() override { return listed; }
    QString createAlbum(const QString &name) override
    {
        created.append(name);
        return createdId;
    }
};

class FakeCloudConnector : public CloudConnector
{
public:
    std::deque<bool> authorizedAnswers; // IsAuthoriseUserExist, in turn; false when dry
    bool signInSucceeds = true;
    int signIns = 0;
    QList<AlbumEntry> listed;

    bool IsAuthoriseUserExist() override { return nextAnswer(authorizedAnswers, false); }
    bool CreateAccount() override
    {
        ++signIns;
        return signInSucceeds;
    }
    QString AccessToken() const override { return QStringLiteral("token"); }
    QString AccessTokenSecret() const override { return QStringLiteral("secret"); }
    QList<AlbumEntry> albums() override { return listed; }
    QString createAlbum(const QString &) override { return {}; }
};

// Answers the chooser with a fixed folder and records how it was asked.
class FakeChooser : public FolderChooser
{
public:
    QString answer = QStringLiteral("Trip");
    int shown = 0;
    ServiceId service = Service::Facebook;
    QString syncFolder;
    AlbumSource *source = nullptr;

    QString chooseAlbum(const ServiceId &asked, const QString &folder, AlbumSource *s) override
    {
        ++shown;
        service = asked;
        syncFolder = folder;
        source = s;
        return answer;
    }
};

class FakeNotices : public CloudClientNotices
{
public:
    QList<SyncFolders> plugins;
    int uploadPrompts = 0;
    void showPluginsPrompt(const SyncFolders &folders) override { plugins.append(folders); }
    void showUploadPrompt() override { ++uploadPrompts; }
};

// Records every call as "Operation|arg|arg|...".
class RecordingUploader : public BackgroundUploader
{
public:
    QStringList calls;
    PhotosSentBefore sentBeforeAnswer; // every question about earlier sends gets this
    QStringList sentBeforeAsked;       // "service|target"

    PhotosSentBefore sentBefore(const ServiceId &service, const QString &, const QString &target) override
    {
        sentBeforeAsked << service.text() + u'|' + target;
        return sentBeforeAnswer;
    }

    QString UploadToDropBox(const QString &t, const QString &s, const QString &list, int size,
                            const QString &folder) override
    {
        return record({QStringLiteral("UploadToDropBox"), t, s, list, QString::number(size), folder});
    }
    QString UploadToGoogle(const QString &t, const QString &list, int size, const QString &folder) override
    {
        return record({QStringLiteral("UploadToGoogle"), t, list, QString::number(size), folder});
    }
    QString UploadToSkydrive(const QString &t, const QString &list, int size, const QString &folder) override
    {
        return record({QStringLiteral("UploadToSkydrive"), t, list, QString::number(size), folder});
    }
    QString UploadToRemote(const QString &remote, const QString &list, const QStringList &names, int size,
                           const QString &folder) override
    {
        return record({QStringLiteral("UploadToRemote"), remote, list, names.join(u'\t'),
                       QString::number(size), folder});
    }
    QString UploadToFacebook(const QString &t, const QString &list, const QString &remarks, int size,
                             const QString &privacy, const QString &album) override
    {
        return record(
            {QStringLiteral("UploadToFacebook"), t, list, remarks, QString::number(size), privacy, album});
    }
    QString UploadToFlickr(const QString &t, const QString &list, const QString &remarks, int size) override
    {
        return record({QStringLiteral("UploadToFlickr"), t, list, remarks, QString::number(size)});
    }

private:
    QString record(const QStringList &call)
    {
        calls.append(call.join(u'|'));
        return QString::number(calls.size());
    }
};

// A photo set and, recording, everything a button's flow talks to.
struct FlowWorld : PhotoSetWorld
{
    RecordingUploadWindow window;
    ScriptedUserPrompt prompt{&env.state()};
    RecordingShell shell;
    FakeChooser chooser;
    FakeNotices notices;
    RecordingUploader uploader;

    // The texts of the messages shown, in order.
    QStringList messages() const
    {
        QStringList texts;
        for (const auto &call : prompt.callsOf(QStringLiteral("message")))
            texts << call.text;
        return texts;
    }
};

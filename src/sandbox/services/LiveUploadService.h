#pragma once

#include "sandbox/SandboxService.h"
#include "sandbox/StandinServer.h"

#include <mutex>

// SkyDrive version 5.0's file calls: a file PUT into a folder under its name
// (overwrite true, false or ChooseNewName) and a folder's files listed.
// access_token is checked against the "Live" state, an expired one answered
// "request_token_expired" as the service did; the folder must be one of the
// account's. What arrives is kept per account and folder.
class LiveUploadService : public SandboxService
{
public:
    QString name() const override { return QStringLiteral("LiveUpload"); }
    QString sharesServerWith() const override { return QStringLiteral("Live"); }
    void install(StandinServer &server, SandboxStore &store) override;
    // The file calls live on the API host, which the sign-in and listing
    // stand-in points at its server: nothing of its own to set.
    void configure(ServiceConfig &, const QString &) const override {}
    QString pageSection(const SandboxStore &store) const override;

private:
    StandinAnswer putFile(const StandinRequest &request);
    StandinAnswer listFiles(const StandinRequest &request);

    SandboxStore *m_store = nullptr;
    std::mutex m_mutex; // a name check and the keeping go together
};

#pragma once

#include "core/SettingsStore.h"
#include "sandbox/SandboxStore.h"
#include "sandbox/StandinServer.h"
#include "support/ScriptedSignIn.h"
#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"
#include "webkit/ServiceConfig.h"

#include <QFile>
#include <QTextStream>

// One sandbox service on its own server, a private data folder, a scripted
// browser and scripted prompts: what a connector test needs to sign in for
// real over HTTP.
template<class Service> struct SandboxWorld
{
    TestEnvironment env;
    StandinServer server;
    SandboxStore store{env.path(QStringLiteral("sandbox"))};
    Service service;
    ServiceConfig config = ServiceConfig::defaults();
    ScriptedSignIn signIn;
    ScriptedUserPrompt prompt{&env.state()};

    SandboxWorld()
    {
        service.install(server, store);
        service.configure(config, server.baseUrl());
    }

    AppState &state() { return env.state(); }

    QStringList messages() const
    {
        QStringList texts;
        for (const auto &call : prompt.callsOf(QStringLiteral("message")))
            texts << call.text;
        return texts;
    }

    // A value the connector keeps in the settings file; empty when absent.
    QString stored(const char *key) { return SettingsStore(state().SettingsFile).readOr(QLatin1String(key)); }

    // The requests that came to `path`, of `method` when one is given, in order.
    QList<StandinRequest> requestsTo(const QByteArray &path, const QByteArray &method = {}) const
    {
        QList<StandinRequest> out;
        for (const StandinRequest &r : server.requests()) {
            if (r.path == path && (method.isEmpty() || r.method == method))
                out << r;
        }
        return out;
    }

    // An INI file that points the program's services where `config` does.
    QString writeServicesFile(const QStringList &lines)
    {
        return env.writeFile(QStringLiteral("services.ini"), (lines.join(u'\n') + u'\n').toUtf8());
    }
};

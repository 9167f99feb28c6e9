#pragma once

#include <QProcessEnvironment>
#include <QString>

// Which rclone runs, and on which configuration. Flazz never reads, copies
// or writes the user's rclone configuration: rclone finds it as it always
// does (RCLONE_CONFIG, then its default place), unless `configFile` names
// another one (the sandbox's own).
struct RcloneSetup
{
    QString program;    // empty when no rclone was found
    QString configFile; // empty: rclone's own choice

    // The rclone named by FLAZZ_RCLONE, else the one on the PATH.
    static RcloneSetup find(const QString &configFile = {});

    // The environment every rclone child gets: ours, with the configuration
    // named when there is one, and without any remote-control setting of
    // the user's (a daemon of ours must never listen without credentials).
    QProcessEnvironment environment() const;

    // What to tell the user when `program` cannot be run.
    QString missingText() const;
};

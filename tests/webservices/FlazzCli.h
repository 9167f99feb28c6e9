#pragma once

#include "webkit/ServiceConfig.h"

#include <QFile>
#include <QProcess>

#include <functional>

#include <gtest/gtest.h>

// How a run of flazz-cli ended, as a user at a terminal saw it.
struct CliRun
{
    int exitCode = -1;
    QStringList lines; // standard output, blank lines left out
    QString errors;
};

// Runs flazz-cli with `input` on standard input. Given `answer`, waits for
// the first line the program prints and types back what `answer` makes of
// it; a null answer closes the input instead, as Ctrl+D would.
inline CliRun flazzCli(const QStringList &args, const QByteArray &input = {},
                       const std::function<QString(const QString &)> &answer = {})
{
    QProcess process;
    process.start(QStringLiteral(FLAZZ_CLI), args);
    QByteArray out;
    if (answer) {
        while (!out.contains('\n') && process.waitForReadyRead(30000))
            out += process.readAllStandardOutput();
        const QString typed = answer(QString::fromUtf8(out.left(out.indexOf('\n'))).trimmed());
        if (!typed.isNull())
            process.write(typed.toUtf8() + '\n');
    }
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    EXPECT_EQ(process.state(), QProcess::NotRunning);
    out += process.readAllStandardOutput();
    return {process.exitCode(), QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts),
            QString::fromUtf8(process.readAllStandardError())};
}

// Writes a services file that points the program wherever `config` does.
inline QString writeServicesFile(const QString &path, const ServiceConfig &config)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QString group;
    for (const QString &key : ServiceConfig::keys()) {
        const qsizetype slash = key.indexOf(u'/');
        if (key.left(slash) != group)
            file.write("[" + (group = key.left(slash)).toUtf8() + "]\n");
        // Quoted, so that ";" and "#" stay part of the value.
        file.write(key.mid(slash + 1).toUtf8() + "=\"" + config.value(key).toUtf8() + "\"\n");
    }
    return path;
}

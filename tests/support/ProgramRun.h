#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// One run of a command-line program, as a user at a terminal would see it.
struct ProgramRun
{
    int exitCode = -1;
    QStringList lines; // standard output, blank lines left out

    QString lastLine() const { return lines.isEmpty() ? QString() : lines.last(); }
};

inline ProgramRun runProgram(const QString &program, const QStringList &args, int timeoutMs = 60000)
{
    QProcess process;
    process.start(program, args);
    EXPECT_TRUE(process.waitForFinished(timeoutMs)) << qPrintable(program);
    ProgramRun run;
    run.exitCode = process.exitCode();
    run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

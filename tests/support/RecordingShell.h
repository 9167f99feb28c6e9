#pragma once

#include "platform/Shell.h"

#include <QList>
#include <QString>

// A Shell that starts nothing and remembers what it was asked.
class RecordingShell : public platform::Shell
{
public:
    struct Start
    {
        QString program;
        QString arguments;
        QString workingFolder;
    };

    QList<QString> opened;
    QList<Start> started;
    bool succeed = true;

    bool open(const QString &target) override
    {
        opened.append(target);
        return succeed;
    }
    bool startProgram(const QString &program, const QString &arguments, const QString &workingFolder) override
    {
        started.append({program, arguments, workingFolder});
        return succeed;
    }
};

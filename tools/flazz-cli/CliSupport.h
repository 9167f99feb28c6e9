#pragma once

#include "core/UserPrompt.h"
#include "photoset/AddProgress.h"
#include "photoset/PhotoCheck.h"
#include "webkit/ServiceConfig.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <optional>

// One field of a tab-separated output line. A file name may hold a TAB or
// a line break, which would otherwise split its line or forge another, so
// TAB, CR and LF are written as \t, \r and \n, and a backslash as \\.
inline QString tsvField(const QString &text)
{
    QString field;
    field.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            field += QLatin1String("\\\\");
            break;
        case u'\t':
            field += QLatin1String("\\t");
            break;
        case u'\n':
            field += QLatin1String("\\n");
            break;
        case u'\r':
            field += QLatin1String("\\r");
            break;
        default:
            field += c;
        }
    }
    return field;
}

// When `args` ask for help (--help or -h) it goes to standard output and
// the command is done: true.
inline bool printedHelp(const QStringList &args, const char *help)
{
    if (!args.contains(QStringLiteral("--help")) && !args.contains(QStringLiteral("-h")))
        return false;
    QTextStream(stdout) << help;
    return true;
}

// A usage error of `command`: the problem, a blank line and the command's
// help on standard error. Answers 2, a usage error's exit status.
inline int usageError(const char *command, const QString &problem, const char *help)
{
    QTextStream(stderr) << "flazz-cli " << command << ": " << problem << "\n\n" << help;
    return 2;
}

// The value of `option` at args[i], written "--option VALUE" or
// "--option=VALUE"; steps i past a separate value. False when args[i] is
// another argument or the value is missing.
inline bool optionValue(const QStringList &args, int &i, const QString &option, QString &out)
{
    const QString &a = args.at(i);
    if (a.startsWith(option + QLatin1Char('='))) {
        out = a.mid(option.size() + 1);
        return true;
    }
    if (a == option && i + 1 < args.size()) {
        out = args.at(++i);
        return true;
    }
    return false;
}

// The services a command talks to, as --services FILE (or FLAZZ_SERVICES)
// points them. A named file that cannot be read stops the command before
// it does anything, as a usage error: going on would reach the real
// services the caller meant to avoid.
inline std::optional<ServiceConfig> commandServices(const QStringList &args, const char *command)
{
    QString unreadable;
    const ServiceConfig config = ServiceConfig::load(args, &unreadable);
    if (unreadable.isEmpty())
        return config;
    QTextStream(stderr) << "flazz-cli " << command << ": " << unreadable << Qt::endl;
    return std::nullopt;
}

// What the commands tell on standard error (messages, progress).
inline QTextStream &standardError()
{
    static QTextStream stream(stderr);
    return stream;
}

// Adding photos without a window: each verdict goes to `onFile`, when given.
class FileProgress : public AddProgress
{
public:
    explicit FileProgress(std::function<void(const PhotoCheck &)> onFile = {}) : m_onFile(std::move(onFile))
    {
    }
    void open() override {}
    void close() override {}
    void fileLookedAt(const QString &) override {}
    void processEvents() override {}
    void fileDone(const PhotoCheck &check) override
    {
        if (m_onFile)
            m_onFile(check);
    }

private:
    std::function<void(const PhotoCheck &)> m_onFile;
};

// What the program's windows would say goes to standard error, one line a
// message; there is nobody to answer. Commands that run a whole flow accept
// its questions (a script asked for the work); the others decline them.
class ConsolePrompt : public UserPrompt
{
public:
    enum class Questions
    {
        Decline,
        Accept
    };

    explicit ConsolePrompt(QTextStream &err, Questions questions = Questions::Decline,
                           QString noConnection = {})
        : m_err(err), m_questions(questions), m_noConnection(std::move(noConnection))
    {
    }

    int systemMessage(const QString &text, int style, const QString &title) override
    {
        m_err << (title.isEmpty() ? QString() : title + u": ")
              << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")) << Qt::endl;
        ++m_messages;
        if (m_questions == Questions::Accept && (style & 0x7) == MsgStyle::YesNo)
            return MsgResult::Yes;
        return MsgResult::Ok;
    }
    int confirm(const QString &message, bool, bool, bool) override
    {
        m_err << message << Qt::endl;
        return m_questions == Questions::Accept ? MsgBoxCode::Yes : MsgBoxCode::Cancel;
    }
    void done() override {}
    void internetConnectionError() override
    {
        if (!m_noConnection.isEmpty())
            m_err << m_noConnection << Qt::endl;
    }
    void uploadSizeNote() override {}
    QStringList openFiles(const FileDialogRequest &) override { return {}; }

    // How many messages were shown so far.
    int messages() const { return m_messages; }

private:
    QTextStream &m_err;
    Questions m_questions;
    QString m_noConnection;
    int m_messages = 0;
};

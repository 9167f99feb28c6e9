#pragma once

#include "core/UserPrompt.h"
#include "photoset/AddProgress.h"
#include "photoset/PhotoCheck.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <functional>

// What the commands tell on standard error (messages, progress).
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

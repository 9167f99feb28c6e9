#include "support/ScriptedUserPrompt.h"

#include "core/AppState.h"
#include "support/NextAnswer.h"

QList<ScriptedUserPrompt::Call> ScriptedUserPrompt::callsOf(const QString &kind) const
{
    QList<Call> out;
    for (const Call &c : calls) {
        if (c.kind == kind)
            out.append(c);
    }
    return out;
}

ScriptedUserPrompt::Call &ScriptedUserPrompt::record(const QString &kind, const QString &text, int style,
                                                     const QString &title)
{
    Call call{kind, text, style, title, m_state ? m_state->ModalFormOpen : false};
    calls.append(call);
    if (onShow)
        onShow(call);
    return calls.last();
}

int ScriptedUserPrompt::systemMessage(const QString &text, int style, const QString &title)
{
    record(QStringLiteral("message"), text, style, title);
    return nextAnswer(messageAnswers,
                      (style & 0x7) == MsgStyle::YesNo ? int(MsgResult::Yes) : int(MsgResult::Ok));
}

int ScriptedUserPrompt::confirm(const QString &message, bool showYes, bool showNo, bool showCancel)
{
    record(QStringLiteral("confirm"), message, (showYes ? 1 : 0) | (showNo ? 2 : 0) | (showCancel ? 4 : 0));
    return nextAnswer(confirmAnswers, int(MsgBoxCode::Yes));
}

void ScriptedUserPrompt::done()
{
    record(QStringLiteral("done"), QStringLiteral("Done!"));
}

void ScriptedUserPrompt::doneWith(const QString &detail, const std::function<void()> &openFolder)
{
    lastOpenFolder = openFolder;
    record(QStringLiteral("done"), QStringLiteral("Done!"), 0, detail);
}

void ScriptedUserPrompt::internetConnectionError()
{
    record(QStringLiteral("internet"), {});
}

void ScriptedUserPrompt::uploadSizeNote()
{
    record(QStringLiteral("note"), {});
    if (m_state)
        m_state->NoteSuppressed = suppressNoteAnswer;
}

QStringList ScriptedUserPrompt::openFiles(const FileDialogRequest &request)
{
    record(QStringLiteral("files"), request.title, 0, request.filter);
    return nextAnswer(fileAnswers, QStringList());
}

QString ScriptedUserPrompt::locateSkype(const FileDialogRequest &request)
{
    record(QStringLiteral("skype"), request.title, 0, request.filter);
    return nextAnswer(fileAnswers, QStringList()).value(0);
}

void ScriptedUserPrompt::errorReport(const QString &report)
{
    record(QStringLiteral("error"), report);
}

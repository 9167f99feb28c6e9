#pragma once

#include "core/UserPrompt.h"
#include "photoset/SkypeLocator.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

struct AppState;

// A UserPrompt for tests: every call is recorded, and answers come from
// queues filled in advance (a default answer when a queue runs dry).
class ScriptedUserPrompt : public UserPrompt, public SkypeLocator
{
public:
    struct Call
    {
        QString kind; // "message", "confirm", "done", "internet", "note", "files", "skype", "error", "skype"
        QString text;
        int style = 0;
        QString title;
        bool modalFlagWhileShown = false;
    };

    // When given, calls record whether ModalFormOpen was set while "shown".
    explicit ScriptedUserPrompt(AppState *state = nullptr) : m_state(state) {}

    std::deque<int> messageAnswers;      // MsgResult values; default Ok (or Yes for Yes/No boxes)
    std::deque<int> confirmAnswers;      // MsgBoxCode values; default Yes
    std::deque<QStringList> fileAnswers; // default: cancelled
    bool suppressNoteAnswer = false;     // the note's check box

    // Runs while a "modal" prompt is up: lets a test act at that moment.
    std::function<void(const Call &)> onShow;

    QList<Call> calls;
    QList<Call> callsOf(const QString &kind) const;

    int systemMessage(const QString &text, int style, const QString &title) override;
    int confirm(const QString &message, bool showYes, bool showNo, bool showCancel) override;
    void done() override;
    // Recorded as "done" with `detail` in the call's title; `openFolder` is
    // kept in lastOpenFolder.
    void doneWith(const QString &detail, const std::function<void()> &openFolder) override;
    std::function<void()> lastOpenFolder;
    void internetConnectionError() override;
    void uploadSizeNote() override;
    QStringList openFiles(const FileDialogRequest &request) override;
    // Recorded as "skype" (text: the dialog's title, title: its filter); the
    // answer is the first of the next fileAnswers entry.
    QString locateSkype(const FileDialogRequest &request) override;
    void errorReport(const QString &report) override;

private:
    Call &record(const QString &kind, const QString &text, int style = 0, const QString &title = {});
    AppState *m_state;
};

#pragma once

#include <QString>

#include <functional>

struct AppState;
class UserPrompt;

// Where an error was trapped, as the error report names it.
struct ErrorSite
{
    QString option; // free-form area, e.g. "Upload"
    QString module; // the window, e.g. "frmSettings"
    QString procedure;
};

// The error boundary of a window's slot that runs a flow or a connector.
// Whatever `work` lets escape (a web toolkit error, any other exception)
// becomes an error report through LogError, the daily file and the error
// window after which the program ends, instead of unwinding through Qt's
// event loop: from inside a modal window that takes the program down
// without a word. `tidy`, when given, runs first after a failure, so that
// the error window does not stand beside a meter of work that has stopped.
// Returns false when `work` did not finish.
bool RunTrapped(AppState &state, UserPrompt &ui, const ErrorSite &site, const std::function<void()> &work,
                const std::function<void()> &tidy = {});

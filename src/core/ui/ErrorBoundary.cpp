#include "core/ui/ErrorBoundary.h"

#include "core/ErrorReport.h"
#include "webkit/ToolkitError.h"

bool RunTrapped(AppState &state, UserPrompt &ui, const ErrorSite &site, const std::function<void()> &work,
                const std::function<void()> &tidy)
{
    const auto report = [&](int number, const QString &description, const QString &source) {
        if (tidy)
            tidy();
        LogError(state, ui, site.option, site.module, site.procedure, number, description, source);
    };
    try {
        work();
        return true;
    } catch (const ToolkitError &error) {
        report(int(error.number()), error.description(), error.source());
    } catch (const std::exception &error) {
        report(0, QString::fromLocal8Bit(error.what()), site.module);
    } catch (...) {
        report(0, QStringLiteral("An unknown error was raised."), site.module);
    }
    return false;
}

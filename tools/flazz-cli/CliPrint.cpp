// flazz-cli print: the Print button without the windows. --cart runs the very
// sign-in and upload the print window runs (the same flow and connector);
// --pdf writes the pages local printing would print.

#include "CliSupport.h"
#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "imaging/cGDIpToken.h"
#include "photoset/AddProgress.h"
#include "photoset/ArchiveFlow.h"
#include "photoset/PhotoAdder.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "platform/ProcessInfo.h"
#include "platform/Shell.h"
#include "platform/ShellFolders.h"
#include "webkit/ServiceConfig.h"
#include "webservices/flows/PhotoPrint.h"
#include "webservices/flows/PrintFlow.h"
#include "webservices/flows/PrintWindows.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

int cliPrint(const QStringList &args);

namespace {

// The cart is printed, not opened: the caller decides what to do with it.
class NoShell : public platform::Shell
{
public:
    bool open(const QString &) override { return true; }
    bool startProgram(const QString &, const QString &, const QString &) override { return false; }
};

class NoWindow : public UploadWindow
{
public:
    void ApplyDescription() override {}
    void setWindowEnabled(bool) override {}
    void ShowProgressPanel(bool) override {}
    void setUpdateCaption(const QString &) override {}
    void setPbrCaption(const QString &) override {}
    void setProgressRange(int, int) override {}
    void setProgressValue(int) override {}
    int progressValue() const override { return 0; }
    int progressMaximum() const override { return 0; }
    void StepProgress() override {}
    bool progressCancelled() const override { return false; }
    void processEvents() override {}
};

// The sign-in window's part, played on the terminal: the e-mail from the
// command line, the password from standard input, the status on standard
// error when it is a terminal.
class ConsoleLifePicsView : public LifePicsView
{
public:
    ConsoleLifePicsView(QString email, QString password)
        : m_email(std::move(email)), m_password(std::move(password))
    {
    }
    QString email() const override { return m_email; }
    QString password() const override { return m_password; }
    void SetBusy(bool) override {}
    void setStatus(const QString &text) override
    {
        if (platform::isTerminal(stderr))
            standardError() << text << Qt::endl;
    }
    void setMeter(int, int, int) override {}
    void stepMeter() override {}
    void processEvents() override {}

private:
    QString m_email;
    QString m_password;
};

// Straight to the online choice, then straight to the sign-in.
class ConsoleWindows : public PrintWindows
{
public:
    explicit ConsoleWindows(LifePicsView &view) : m_view(view) {}
    void showPrinter(PrintFlow &flow) override { flow.printOnline(); }
    void showLifePics(PrintFlow &flow) override { flow.login(m_view); }

private:
    LifePicsView &m_view;
};

class NoLocalPrinter : public LocalPrinter
{
public:
    void print(const QStringList &) override {}
};

int usage(const QString &problem)
{
    if (!problem.isEmpty())
        standardError() << "flazz-cli print: " << problem << Qt::endl;
    standardError() << "usage: flazz-cli print [--services FILE] --cart EMAIL PATH..." << Qt::endl
                    << "       flazz-cli print --pdf FILE PATH..." << Qt::endl
                    << "  --cart signs EMAIL in to the print service (the password is read as one line"
                    << Qt::endl
                    << "  from standard input, unechoed at a terminal), uploads the photos in their"
                    << Qt::endl
                    << "  original resolution, puts" << Qt::endl
                    << "  them into the cart and prints the cart's sign-in address as the last line."
                    << Qt::endl
                    << "  --pdf writes the local print of the photos to FILE, one page per photo."
                    << Qt::endl;
    return 2;
}

} // namespace

int cliPrint(const QStringList &args)
{
    QString email, pdf, services;
    QStringList paths;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        auto value = [&](const QString &option, QString &out) { return optionValue(args, i, option, out); };
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return usage({}), 0;
        if (value(QStringLiteral("--cart"), email) || value(QStringLiteral("--pdf"), pdf) ||
            value(QStringLiteral("--services"), services))
            continue;
        if (a == QLatin1String("--cart"))
            return usage(QStringLiteral("--cart needs the print service account's e-mail address"));
        if (a == QLatin1String("--pdf") || a == QLatin1String("--services"))
            return usage(QStringLiteral("%1 needs a file").arg(a));
        if (a.startsWith(QLatin1String("--")))
            return usage(QStringLiteral("unknown option %1").arg(a));
        paths << QFileInfo(a).absoluteFilePath();
    }
    if (email.isEmpty() == pdf.isEmpty())
        return usage(QStringLiteral("give either --cart EMAIL or --pdf FILE"));
    if (paths.isEmpty())
        return usage(QStringLiteral("no photos given"));
    QStringList configArgs{QStringLiteral("flazz-cli")};
    if (!services.isEmpty())
        configArgs << QStringLiteral("--services") << services;
    const std::optional<ServiceConfig> config =
        email.isEmpty() ? ServiceConfig::defaults() : commandServices(configArgs, "print");
    if (!config)
        return 2;

    AppState state;
    state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    cGDIpToken token;
    clsTray tray(state.DataFolder, &token, state.MaxPhotos);
    state.PhotoTray = &tray;
    state.GdiplusToken = &token;
    ConsolePrompt prompt(standardError(), ConsolePrompt::Questions::Accept,
                         QStringLiteral("No connection to the print service."));
    FileProgress adding;
    PhotoAdder(state, prompt, adding).AddDropped(paths, QString());
    if (tray.Count() == 0) {
        standardError() << "flazz-cli print: none of the paths holds a photo" << Qt::endl;
        return 1;
    }

    if (!pdf.isEmpty()) {
        QString problem;
        if (!PrintPhotosToPdf(pdf, PhotoPaths(tray), &problem)) {
            standardError() << "flazz-cli print: " << problem << Qt::endl;
            return 1;
        }
        QTextStream(stdout) << tsvField(QDir::toNativeSeparators(QFileInfo(pdf).absoluteFilePath()))
                            << Qt::endl;
        return 0;
    }

    // One line, never the command line: it would show in the process list;
    // nor the screen, when it is typed there.
    const bool typed = platform::isTerminal(stdin);
    if (typed)
        standardError() << "Password for " << email << ": " << Qt::flush;
    const bool hidden = platform::setInputEcho(false);
    const QString password = QTextStream(stdin).readLine();
    if (hidden)
        platform::setInputEcho(true);
    if (typed)
        standardError() << Qt::endl;

    NoWindow window;
    NoShell shell;
    NoLocalPrinter local;
    ConsoleLifePicsView view(email, password);
    ConsoleWindows windows(view);
    PrintFlow flow(state, window, prompt, shell, config->lifePics, windows, local);
    flow.run();

    const PrintFlow::SendReport &report = flow.lastSend();
    for (const QString &file : report.leftOut)
        standardError() << "flazz-cli print: not taken: " << tsvField(file) << Qt::endl;
    if (!report.signedIn || !report.uploaded || report.cart.isEmpty()) {
        standardError() << "flazz-cli print: "
                        << (report.problem.isEmpty() ? QStringLiteral("stopped") : report.problem)
                        << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << tsvField(report.cart) << Qt::endl;
    return report.leftOut.isEmpty() ? 0 : 1;
}

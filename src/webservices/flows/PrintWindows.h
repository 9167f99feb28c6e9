#pragma once

#include <QString>
#include <QStringList>

class PrintFlow;

// frmLifePics as the sign-in and upload see it.
class LifePicsView
{
public:
    virtual ~LifePicsView() = default;

    virtual QString email() const = 0;    // txtEmailAddress
    virtual QString password() const = 0; // txtPassword
    // The progress view (on) or the sign-in view (off).
    virtual void SetBusy(bool busy) = 0;
    virtual void setStatus(const QString &text) = 0; // lblStatus
    virtual void setMeter(int minimum, int value, int maximum) = 0;
    virtual void stepMeter() = 0;
    // Lets the window paint and take the Cancel click.
    virtual void processEvents() = 0;
};

// The windows of the Print button. Each is modal and returns once it has
// been unloaded; while it is up, its buttons call back into the flow.
class PrintWindows
{
public:
    virtual ~PrintWindows() = default;

    // frmPrinter: "Print..." calls flow.printOnline() for the online choice
    // (and closes when that returns true) or flow.printLocally().
    virtual void showPrinter(PrintFlow &flow) = 0;

    // frmLifePics: Login calls flow.login(view) (and closes when that
    // returns true), Cancel calls flow.cancelPressed(), the links
    // flow.openCreateAccount() and flow.openPasswordFinder().
    virtual void showLifePics(PrintFlow &flow) = 0;
};

// Printing on a printer of this computer: asks where and how, and prints.
class LocalPrinter
{
public:
    virtual ~LocalPrinter() = default;
    virtual void print(const QStringList &paths) = 0;
};

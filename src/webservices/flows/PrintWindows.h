#pragma once

class PrintFlow;

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

#pragma once

#include <QString>

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

#pragma once

#include "webkit/ServiceConfig.h"

#include <QObject>
#include <QString>
#include <QTimer>

struct AppState;
class clsFBCallback;

// The periodic probe behind AppState::InternetAvailable. Every five seconds
// it asks the Graph API for "/me" without a token: the service refuses such
// a request with status 400, so 400 means the way out is open and anything
// else means it is not. A probe that gets no answer at all, within
// ProbeTimeoutMs or ever, counts as offline as well.
//
// The host window owns one and calls start(). Only the very first pass
// waits for its answer (in a local event loop, so windows stay alive); the
// destination flows then never read a verdict that nobody has checked.
class InternetCheck : public QObject
{
    Q_OBJECT

public:
    static constexpr int IntervalMs = 5000;
    // Later passes do not wait, so a slow probe must not pile up behind
    // newer ones for long.
    static constexpr int ProbeTimeoutMs = 15000;

    InternetCheck(AppState &state, const ServiceConfig &services, QObject *parent = nullptr);
    ~InternetCheck() override;

    // Enables Timer1; the first check runs one interval later.
    void start();
    void stop();

    // One tick of Timer1: disable it, probe, wait for the answer if none
    // has ever come, re-enable it.
    void Timer1_Timer();
    // One probe, not waited for.
    void CheckInternetConnection();

    QTimer &Timer1() { return m_timer; }
    bool answered() const { return m_answered; }
    QString probeUrl() const { return m_probeUrl; }
    void setProbeTimeoutMs(int ms) { m_probeTimeoutMs = ms; }

signals:
    // A probe ended (with an answer or without one); `available` is the
    // verdict now in force.
    void checked(bool available);

private:
    void probeEnded(clsFBCallback *probe);

    AppState &m_state;
    QString m_probeUrl;
    QTimer m_timer;
    bool m_answered = false;
    int m_probeTimeoutMs = ProbeTimeoutMs;
};

#include "core/app/InternetCheck.h"

#include "core/AppState.h"
#include "webkit/clsFBCallback.h"

#include <QCoreApplication>
#include <QEventLoop>

InternetCheck::InternetCheck(AppState &state, const ServiceConfig &services, QObject *parent)
    : QObject(parent), m_state(state), m_probeUrl(services.facebook.graph + u"/me")
{
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &InternetCheck::Timer1_Timer);
}

InternetCheck::~InternetCheck() = default;

void InternetCheck::start()
{
    m_timer.start();
}

void InternetCheck::stop()
{
    m_timer.stop();
}

void InternetCheck::Timer1_Timer()
{
    m_timer.stop();
    m_timer.setInterval(IntervalMs);
    CheckInternetConnection();
    if (!m_answered) {
        QEventLoop loop;
        connect(this, &InternetCheck::checked, &loop, &QEventLoop::quit);
        loop.exec();
    }
    m_timer.start();
    QCoreApplication::processEvents();
}

void InternetCheck::CheckInternetConnection()
{
    // Each probe has its own request object, which lives until its answer
    // (or its failure) has been delivered.
    auto *probe = new clsFBCallback(m_state, this);
    probe->request().setTimeoutMs(m_probeTimeoutMs);
    connect(probe, &clsFBCallback::Response, this, [this, probe] { probeEnded(probe); });
    connect(probe, &clsFBCallback::NoAnswer, this, [this, probe] { probeEnded(probe); });
    probe->setCurrentOperation(clsFBCallback::OperationInternetCheck);
    probe->Post(m_probeUrl, QString(), QStringLiteral("get"), QString(), QString(), true, QString());
}

void InternetCheck::probeEnded(clsFBCallback *probe)
{
    m_answered = true;
    probe->deleteLater();
    emit checked(m_state.InternetAvailable);
}

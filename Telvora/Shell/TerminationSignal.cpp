#include "Telvora/Shell/TerminationSignal.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace telvora {

namespace {

// Written by the signal handler, which may only touch async-signal-safe state.
volatile sig_atomic_t writeEnd = -1;

void onTerminate(int)
{
    const int saved = errno;
    const char byte = 1;
    if (writeEnd >= 0) [[maybe_unused]]
        const auto written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

// SIGINT (Ctrl+C) and SIGHUP (the terminal closed) end the program as SIGTERM does, through
// its clean-up; one of them ignored when the program started (nohup) stays ignored.
constexpr int handledSignals[]{SIGTERM, SIGINT, SIGHUP};

bool isIgnored(int signal)
{
    struct sigaction current = {};
    return ::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

} // namespace

TerminationSignal::TerminationSignal(QObject *parent)
    : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignal::drain);

    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : handledSignals) {
        if (signal != SIGTERM && isIgnored(signal))
            continue;
        ::sigaction(signal, &action, nullptr);
        m_handled.push_back(signal);
    }
}

TerminationSignal::~TerminationSignal()
{
    for (const int signal : m_handled)
        ::signal(signal, SIG_DFL);
    writeEnd = -1;
    m_notifier.reset();
    for (int end : m_pipe) {
        if (end >= 0)
            ::close(end);
    }
}

void TerminationSignal::drain()
{
    char buffer[64];
    bool any = false;
    while (::read(m_pipe[0], buffer, sizeof buffer) > 0)
        any = true;
    if (any)
        Q_EMIT received();
}

} // namespace telvora

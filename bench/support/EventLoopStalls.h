#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

namespace telvora::bench {

// Turns of the event loop, seen by a timer that fires on every turn: the longest gap
// between two of them is the longest the window could not answer.
class EventLoopStalls
{
public:
    EventLoopStalls()
    {
        m_ping.setInterval(0);
        QObject::connect(&m_ping, &QTimer::timeout, [this] { turn(); });
        m_clock.start();
    }

    void start()
    {
        m_longest = 0;
        m_last = m_clock.nsecsElapsed();
        m_ping.start();
    }

    // The gap up to now counts too: work that ends the measured span is no turn.
    void stop()
    {
        turn();
        m_ping.stop();
    }
    double longestMilliseconds() const { return double(m_longest) / 1e6; }
    double nowMilliseconds() const { return double(m_clock.nsecsElapsed()) / 1e6; }

private:
    void turn()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QTimer m_ping;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

} // namespace telvora::bench

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace telvora {

/// One child process shared by the waiting thread and the cancel handler. The lock makes
/// "test cancelled, then start" and "set cancelled, then interrupt" atomic with respect to
/// each other, so a cancel either prevents the start or reaches the running child.
///
/// The child is a small sentinel that leads a process group of its own and runs the
/// program in it: signals go to the whole group, so helpers the program starts hear them
/// too, and when Telvora dies without ending the run the sentinel kills the group.
class ProcessBox
{
public:
    /// How long a cancelled child may take to end after SIGINT before its group is killed.
    static constexpr std::chrono::milliseconds killGrace{3000};

    ProcessBox(const QString &executable, const QStringList &arguments, const QMap<QString, QString> &environment);
    ~ProcessBox();
    ProcessBox(const ProcessBox &) = delete;
    ProcessBox &operator=(const ProcessBox &) = delete;

    /// Starts the child unless cancelled (then throws Cancelled); throws PlatformError when
    /// the executable cannot be run.
    void launch();
    /// Hands `consume` the output as it arrives until the child has exited and every writer
    /// of the pipe has closed it; once cancelled, only until the child has exited, and a
    /// child still running `killGrace` after the cancel is killed with its group. Then ends
    /// whatever is left of the group, reaps the child and returns its wait status. Off the
    /// GUI thread only.
    int runToEnd(const std::function<void(QByteArrayView)> &consume);

    /// Sets the cancelled flag and interrupts the child's group with SIGINT if it runs.
    void cancel();
    bool cancelled() const;

    /// At process exit: interrupts every running child, gives them `graceMilliseconds` to
    /// end, then kills the rest, so that no worker outlives the program.
    static void endAllChildren(int graceMilliseconds);

private:
    void signalRunningGroup(int signal);
    std::optional<std::chrono::steady_clock::time_point> killDeadline() const;
    bool readOutput(const std::function<void(QByteArrayView)> &consume);
    int reap();

    mutable std::mutex m_lock;
    bool m_cancelled = false;
    bool m_running = false;
    std::chrono::steady_clock::time_point m_cancelledAt;
    pid_t m_pid = -1;
    int m_readEnd = -1;
    int m_exitEnd = -1;
    int m_wakeEnd = -1;

    QByteArray m_executable;
    std::vector<QByteArray> m_arguments;
    std::vector<QByteArray> m_environment;
};

} // namespace telvora

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <sys/types.h>
#include <vector>

namespace telvora {

/// One child process shared by the waiting thread and the cancel handler. The lock makes
/// "test cancelled, then start" and "set cancelled, then interrupt" atomic with respect to
/// each other, so a cancel either prevents the start or reaches the running child.
class ProcessBox
{
public:
    ProcessBox(const QString &executable, const QStringList &arguments, const QMap<QString, QString> &environment);
    ~ProcessBox();
    ProcessBox(const ProcessBox &) = delete;
    ProcessBox &operator=(const ProcessBox &) = delete;

    /// Starts the child unless cancelled (then throws Cancelled); throws PlatformError when
    /// the executable cannot be run.
    void launch();
    /// Blocks until every writer of the output pipe has closed it, handing `consume` the
    /// bytes as they arrive. Off the GUI thread only.
    void readToEnd(const std::function<void(QByteArrayView)> &consume);
    /// Blocks until the child has exited, reaps it and returns its wait status.
    int waitForExit();

    /// Sets the cancelled flag and interrupts the child with SIGINT if it runs.
    void cancel();
    bool cancelled() const;

    /// At process exit: interrupts every running child, gives them `graceMilliseconds` to
    /// end, then kills the rest, so that no worker outlives the program.
    static void endAllChildren(int graceMilliseconds);

private:
    void signalRunningChild(int signal);

    mutable std::mutex m_lock;
    bool m_cancelled = false;
    bool m_running = false;
    pid_t m_pid = -1;
    int m_readEnd = -1;

    QByteArray m_executable;
    std::vector<QByteArray> m_arguments;
    std::vector<QByteArray> m_environment;
};

} // namespace telvora

#pragma once

#include <QObject>

#include <memory>
#include <vector>

class QSocketNotifier;

namespace telvora {

/// Turns SIGTERM, SIGINT and SIGHUP into a signal on the GUI thread. The default action (ending the process
/// at once, possibly in the middle of a write) is replaced by a handler that only writes
/// one byte into a pipe; the GUI thread reads it through a socket notifier and emits
/// `received`, so the request is handled like any other quit request.
///
/// One instance per process; the handler stays installed until the instance is destroyed.
class TerminationSignal : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignal(QObject *parent = nullptr);
    ~TerminationSignal() override;

Q_SIGNALS:
    void received();

private:
    void drain();

    int m_pipe[2] = {-1, -1};
    std::vector<int> m_handled;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace telvora

#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

namespace telvora {

/// A job's cancellation request, shared by copies. cancel() and the callbacks run on the
/// thread that owns the job (the GUI thread); isCancelled() may be read from any thread.
class CancellationToken
{
public:
    CancellationToken();

    void cancel() const;
    bool isCancelled() const noexcept;

    /// Throws Cancelled once cancel() has been called.
    void throwIfCancelled() const;

    /// Calls `callback` in `context`'s thread, from the event loop, after cancel() is called
    /// (or soon, if it already was). The connection ends with `context`.
    QMetaObject::Connection onCancel(const QObject *context, std::function<void()> callback) const;

private:
    class State;
    std::shared_ptr<State> d;
};

class CancellationToken::State : public QObject
{
    Q_OBJECT
public:
    std::atomic_bool cancelled = false;
Q_SIGNALS:
    void cancelRequested();
};

} // namespace telvora

#pragma once

#include "TelvoraCore/Support/CancellationToken.h"

#include <QCoroTask>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace telvora {

/// One piece of asynchronous work of an object (a workflow, a sheet), run as a coroutine
/// on the GUI thread, and the one place where that object's lifetime is checked.
///
/// The rule every coroutine of the program follows: the work touches its owner after a
/// suspension only because each suspension ends in a cancellation check (the lower layers
/// throw Cancelled when they resume with a cancelled token; anything else is awaited
/// through `checked`), and the owner's destructor cancels the token through this Job.
/// So no statement of the work runs once its owner is gone, and `finished` is called only
/// while the owner lives. A destructor only cancels; the work ends later, on the event
/// loop, touching nothing.
class Job
{
public:
    using Work = std::function<QCoro::Task<>(CancellationToken)>;
    /// Receives the outcome: null when the work succeeded, else what it threw.
    using Finished = std::function<void(std::exception_ptr)>;

    Job();
    ~Job();
    Job(const Job &) = delete;
    Job &operator=(const Job &) = delete;

    /// Starts `work` with a fresh token, cancelling the work this Job ran before (whose
    /// outcome is then dropped). QCoro tasks start eagerly: work that ends without
    /// suspending has already called `finished` when this returns.
    void start(const Work &work, Finished finished);
    /// Asks the running work to stop; it ends by throwing Cancelled.
    void cancel() const;
    bool isRunning() const { return m_running.has_value(); }

    /// Awaits `task`, then throws Cancelled if `token` was cancelled meanwhile.
    template<typename T>
    static QCoro::Task<T> checked(CancellationToken token, QCoro::Task<T> task)
    {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            token.throwIfCancelled();
        } else {
            T value = co_await std::move(task);
            token.throwIfCancelled();
            co_return value;
        }
    }

private:
    struct Running
    {
        CancellationToken token;
        std::optional<QCoro::Task<>> task;
        quint64 serial = 0;
    };
    struct Owner
    {
        Job *job;
    };

    static QCoro::Task<> run(QCoro::Task<> work, std::weak_ptr<Owner> owner, quint64 serial, Finished finished);
    void ended(quint64 serial);

    std::shared_ptr<Owner> m_owner;
    std::optional<Running> m_running;
    quint64 m_serial = 0;
};

} // namespace telvora

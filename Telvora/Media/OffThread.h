#pragma once

#include "TelvoraCore/Support/ThreadHandOff.h"

#include <QCoroFuture>
#include <QCoroTask>
#include <QFuture>
#include <QPromise>
#include <QRunnable>
#include <QThreadPool>

#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace telvora {

namespace detail {

template<typename T>
struct OffThreadOutcome
{
    std::conditional_t<std::is_void_v<T>, bool, std::optional<T>> value{};
    std::exception_ptr error;
};

// One piece of work on a pool. It is built whole before the pool takes it and keeps its
// outcome beside the future rather than in it (QFuture keeps only QException subclasses
// intact), so both hand-overs are ours to mark for ThreadSanitizer.
template<typename Work, typename T>
class OffThreadRun : public QRunnable
{
public:
    OffThreadRun(Work work, std::shared_ptr<OffThreadOutcome<T>> outcome)
        : m_work(std::move(work))
        , m_outcome(std::move(outcome))
    {
        m_promise.start();
    }

    QFuture<void> future() { return m_promise.future(); }

    void run() override
    {
        ThreadHandOff::takeOver(this);
        try {
            if constexpr (std::is_void_v<T>)
                (*m_work)();
            else
                m_outcome->value = (*m_work)();
        } catch (...) {
            m_outcome->error = std::current_exception();
        }
        // The work and the outcome are let go here, before the waiting thread goes on, so
        // nothing of theirs is destroyed on this thread afterwards.
        m_work.reset();
        ThreadHandOff::handOver(m_outcome.get());
        m_outcome.reset();
        m_promise.finish();
    }

private:
    std::optional<Work> m_work;
    std::shared_ptr<OffThreadOutcome<T>> m_outcome;
    QPromise<void> m_promise;
};

// A plain function: GCC 12 miscounts the captured copies of lambda temporaries inside
// coroutine bodies, so the work is packed here.
template<typename Work, typename T = std::invoke_result_t<Work>>
QFuture<void> startOffThread(QThreadPool *pool, Work work, const std::shared_ptr<OffThreadOutcome<T>> &outcome)
{
    auto *run = new OffThreadRun<Work, T>(std::move(work), outcome);
    QFuture<void> future = run->future();
    ThreadHandOff::handOver(run);
    pool->start(run);
    return future;
}

} // namespace detail

/// Runs `work` on `pool` and resumes the awaiting coroutine on its own thread with the
/// value, or rethrows there whatever `work` threw.
template<typename Work>
auto offThread(QThreadPool *pool, Work work) -> QCoro::Task<std::invoke_result_t<Work>>
{
    using T = std::invoke_result_t<Work>;
    const auto outcome = std::make_shared<detail::OffThreadOutcome<T>>();
    // A named local: GCC 12 destroys temporaries of a co_await expression twice.
    const QFuture<void> future = detail::startOffThread(pool, std::move(work), outcome);
    co_await future;
    ThreadHandOff::takeOver(outcome.get());
    if (outcome->error)
        std::rethrow_exception(outcome->error);
    if constexpr (!std::is_void_v<T>)
        co_return std::move(*outcome->value);
}

} // namespace telvora

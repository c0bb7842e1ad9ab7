#pragma once

#include <QCoroFuture>
#include <QCoroTask>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
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

// A plain function: GCC 12 miscounts the captured copies of lambda temporaries inside
// coroutine bodies, so the lambda is made here.
template<typename Work, typename T = std::invoke_result_t<Work>>
QFuture<OffThreadOutcome<T>> startOffThread(QThreadPool *pool, Work work)
{
    // The exception travels in the value: QFuture keeps only QException subclasses intact.
    return QtConcurrent::run(pool, [work = std::move(work)]() mutable {
        OffThreadOutcome<T> result;
        try {
            if constexpr (std::is_void_v<T>)
                work();
            else
                result.value = work();
        } catch (...) {
            result.error = std::current_exception();
        }
        return result;
    });
}

} // namespace detail

/// Runs `work` on `pool` and resumes the awaiting coroutine on its own thread with the
/// value, or rethrows there whatever `work` threw.
template<typename Work>
auto offThread(QThreadPool *pool, Work work) -> QCoro::Task<std::invoke_result_t<Work>>
{
    using T = std::invoke_result_t<Work>;
    // A named local: GCC 12 destroys temporaries of a co_await expression twice.
    const QFuture<detail::OffThreadOutcome<T>> future = detail::startOffThread(pool, std::move(work));
    detail::OffThreadOutcome<T> outcome = co_await future;
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    if constexpr (!std::is_void_v<T>)
        co_return std::move(*outcome.value);
}

} // namespace telvora

#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>

namespace telvora::test {

/// The task did not finish before the watchdog fired.
class TaskTimedOut : public std::runtime_error
{
public:
    TaskTimedOut()
        : std::runtime_error("the task did not finish before the watchdog")
    {}
};

namespace detail {

template<typename T>
struct TaskOutcome
{
    std::conditional_t<std::is_void_v<T>, bool, std::optional<T>> value{};
    std::exception_ptr error;
    bool done = false;
    QEventLoop *loop = nullptr;
};

// Awaits the task and keeps what it ended with: an exception escaping a task that
// QCoro::waitFor drives would be lost and its loop would never quit.
template<typename T>
QCoro::Task<> capture(QCoro::Task<T> task, std::shared_ptr<TaskOutcome<T>> outcome)
{
    try {
        if constexpr (std::is_void_v<T>)
            co_await std::move(task);
        else
            outcome->value = co_await std::move(task);
    } catch (...) {
        outcome->error = std::current_exception();
    }
    outcome->done = true;
    if (outcome->loop)
        outcome->loop->quit();
}

} // namespace detail

/// Runs the event loop until `task` finishes, then returns its value or rethrows its
/// exception. Throws TaskTimedOut when the watchdog fires first; the task then runs on
/// and its frames are freed when it ends. Nothing can safely free a coroutine that may
/// still be resumed, so a task that never ends would stay allocated: tests give the work
/// they abandon an end.
template<typename T>
T runTask(QCoro::Task<T> task, std::chrono::milliseconds watchdog = std::chrono::seconds(30))
{
    auto outcome = std::make_shared<detail::TaskOutcome<T>>();
    QEventLoop loop;
    outcome->loop = &loop;
    detail::capture(std::move(task), outcome);
    if (!outcome->done) {
        QTimer::singleShot(watchdog, &loop, [&loop] { loop.exit(1); });
        loop.exec();
    }
    outcome->loop = nullptr;
    if (!outcome->done)
        throw TaskTimedOut();
    if (outcome->error)
        std::rethrow_exception(outcome->error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*outcome->value);
}

} // namespace telvora::test

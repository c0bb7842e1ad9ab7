#include "tests/support/RunTask.h"

#include "TelvoraCore/Errors/Error.h"

#include <QCoro/QCoroTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace telvora::test {
namespace {

QCoro::Task<int> later(int value)
{
    QTimer timer;
    timer.start(10ms);
    co_await timer;
    co_return value;
}

QCoro::Task<> failLater()
{
    co_await later(0);
    throw TelvoraError(u"falhou"_s);
}

// Clears its flag when the coroutine frame that holds it is freed.
struct FrameAlive
{
    bool &alive;
    ~FrameAlive() { alive = false; }
};

QCoro::Task<> slowerThanTheWatchdog(bool &alive)
{
    alive = true;
    const FrameAlive marker{alive};
    QTimer timer;
    timer.start(300ms);
    co_await timer;
}

TEST(RunTaskTest, ReturnsValuesRethrowsErrorsAndGivesUpOnHangs)
{
    EXPECT_EQ(runTask(later(7)), 7);
    try {
        runTask(failLater());
        ADD_FAILURE() << "the error was lost";
    } catch (const TelvoraError &error) {
        EXPECT_EQ(error.message(), u"falhou"_s);
    }
}

TEST(RunTaskTest, ATaskPastItsWatchdogIsFreedWhenItEnds)
{
    bool alive = false;
    EXPECT_THROW(runTask(slowerThanTheWatchdog(alive), 50ms), TaskTimedOut);
    EXPECT_TRUE(alive);
    EXPECT_TRUE(QTest::qWaitFor([&alive] { return !alive; }, 5000));
}

} // namespace
} // namespace telvora::test

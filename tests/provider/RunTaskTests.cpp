#include "tests/support/RunTask.h"

#include "TelvoraCore/Errors/Error.h"

#include <QCoro/QCoroTimer>
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

QCoro::Task<> never()
{
    QTimer timer;
    timer.start(1h);
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
    EXPECT_THROW(runTask(never(), 50ms), TaskTimedOut);
}

} // namespace
} // namespace telvora::test

#include "Telvora/Media/OffThread.h"
#include "TelvoraCore/Errors/Error.h"
#include "tests/support/RunTask.h"

#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Threads
{
    QThread *worked = nullptr;
    QThread *resumed = nullptr;
};

auto answerRecordingItsThread(Threads *threads)
{
    return [threads] {
        threads->worked = QThread::currentThread();
        return u"resposta"_s;
    };
}

QCoro::Task<QString> answerOffThread(QThreadPool *pool, Threads *threads)
{
    QString answer = co_await offThread(pool, answerRecordingItsThread(threads));
    threads->resumed = QThread::currentThread();
    co_return answer;
}

template<typename Failure>
auto throwing(Failure failure)
{
    return [failure]() -> int { throw failure; };
}

TEST(OffThread, TheWorkRunsOnAPoolThreadAndTheCallerResumesOnItsOwn)
{
    QThreadPool pool;
    Threads threads;
    EXPECT_EQ(runTask(answerOffThread(&pool, &threads)), u"resposta"_s);
    EXPECT_NE(threads.worked, nullptr);
    EXPECT_NE(threads.worked, QThread::currentThread());
    EXPECT_EQ(threads.resumed, QThread::currentThread());
}

TEST(OffThread, WhatTheWorkThrowsIsRethrownWithItsTypeAndText)
{
    QThreadPool pool;
    try {
        runTask(offThread(&pool, throwing(FileError(u"Disco cheio."_s))));
        ADD_FAILURE() << "nothing was thrown";
    } catch (const FileError &error) {
        EXPECT_EQ(error.message(), u"Disco cheio."_s);
    }
    try {
        runTask(offThread(&pool, throwing(std::runtime_error("not a QException"))));
        ADD_FAILURE() << "nothing was thrown";
    } catch (const std::runtime_error &error) {
        EXPECT_STREQ(error.what(), "not a QException");
    }
    try {
        runTask(offThread(&pool, throwing(42)));
        ADD_FAILURE() << "nothing was thrown";
    } catch (int value) {
        EXPECT_EQ(value, 42);
    }
}

// With the pool's only thread held, the work waits for it: it goes to the pool it is given.
TEST(OffThread, TheWorkGoesToTheGivenPool)
{
    QThreadPool pool;
    pool.setMaxThreadCount(1);
    QSemaphore held;
    pool.start([&held] { held.acquire(); });
    std::atomic<bool> ran = false;
    QCoro::Task<> task = offThread(&pool, [&ran] { ran = true; });
    QTest::qWait(100);
    EXPECT_FALSE(ran);
    held.release();
    runTask(std::move(task));
    EXPECT_TRUE(ran);
}

} // namespace

#include "Telvora/Shell/SingleInstance.h"

#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <future>

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

// Each test gets its own runtime folder, so the socket never meets a real Telvora.
class SingleInstanceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", m_saved); }

    // The hand-off blocks until the running instance answers, so it runs on another thread
    // while this one serves the listening instance.
    static std::future<bool> handOffLater(const QString &file)
    {
        return std::async(std::launch::async, [file] { return SingleInstance().handOff(file); });
    }

    static bool waitFor(std::future<bool> &future)
    {
        for (int i = 0; i < 500 && future.wait_for(std::chrono::seconds(0)) != std::future_status::ready; ++i)
            QTest::qWait(10);
        return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready && future.get();
    }

private:
    QTemporaryDir m_runtime;
    QByteArray m_saved;
};

TEST_F(SingleInstanceTest, NobodyToHandOffToAtFirst) { EXPECT_FALSE(SingleInstance().handOff(u"/tmp/a.txt"_s)); }

TEST_F(SingleInstanceTest, ALaterStartHandsItsFileToTheRunningOne)
{
    SingleInstance running;
    ASSERT_TRUE(running.listen());
    QSignalSpy requested(&running, &SingleInstance::requested);

    for (const QString &file : {u"/home/ana/gravação.m4a"_s, QString()}) {
        SCOPED_TRACE(file.toStdString());
        std::future<bool> handOff = handOffLater(file);
        EXPECT_TRUE(waitFor(handOff));
        ASSERT_FALSE(requested.isEmpty());
        EXPECT_EQ(requested.takeFirst().at(0).toString(), file);
    }
}

TEST_F(SingleInstanceTest, ASocketLeftByACrashedInstanceIsReplaced)
{
    {
        QLocalServer stale;
        ASSERT_TRUE(stale.listen(SingleInstance::socketName()));
        // Leaves the socket file behind, as a crash would.
        stale.setSocketOptions(QLocalServer::UserAccessOption);
        stale.close();
        QFile(SingleInstance::socketName()).open(QIODevice::WriteOnly);
    }
    SingleInstance running;
    EXPECT_TRUE(running.listen());
    std::future<bool> handOff = handOffLater(u"/tmp/b.txt"_s);
    EXPECT_TRUE(waitFor(handOff));
}

} // namespace

#include "Telvora/Shell/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <future>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

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

    for (const QString &file :
         {u"/home/ana/gravação.m4a"_s, QString(), u"/home/ana/nota\nfalsa.txt"_s, u"/home/ana/linha\n"_s}) {
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

// A process of another user (nobody) at the other end of the socket: it listens ("serve")
// or connects ("connect"), sends "ok" or a request, and prints what it received.
class StrangerProcess
{
public:
    StrangerProcess(const QString &mode, const QString &socket)
    {
        m_process.start(u"python3"_s, {u"-c"_s, QString::fromLatin1(script), mode, socket});
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {}
        m_ready = m_process.readLine() == "pronto\n";
    }
    bool ready() const { return m_ready; }
    QByteArray received()
    {
        m_process.waitForFinished(5000);
        return m_process.readAllStandardOutput();
    }

private:
    static constexpr const char *script = R"(
import os, socket, sys
mode, path = sys.argv[1], sys.argv[2]
os.setgid(65534)
os.setuid(65534)
peer = socket.socket(socket.AF_UNIX)
peer.settimeout(5)
if mode == "serve":
    peer.bind(path)
    peer.listen(1)
    print("pronto", flush=True)
    peer, _ = peer.accept()
    peer.settimeout(5)
else:
    print("pronto", flush=True)
    peer.connect(path)
    peer.sendall(b"/segredo\0\n")
try:
    data = peer.recv(1000)
    if mode == "serve":
        peer.sendall(b"ok\n")
except OSError:
    data = b""
print(repr(data), flush=True)
)";
    QProcess m_process;
    bool m_ready = false;
};

} // namespace

TEST_F(SingleInstanceTest, WithoutARuntimeFolderTheSocketLivesInAPrivateFolder)
{
    QTemporaryDir temporary;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray savedTemporary = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", temporary.path().toUtf8());
    const QString folder = temporary.filePath(u"telvora-%1"_s.arg(::getuid()));
    {
        SingleInstance running;
        ASSERT_TRUE(running.listen());
        EXPECT_EQ(QFileInfo(SingleInstance::socketName()).path(), folder);
        struct stat status = {};
        ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0700u);
        std::future<bool> handOff = handOffLater(u"/tmp/c.txt"_s);
        EXPECT_TRUE(waitFor(handOff));
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("TMPDIR", savedTemporary);
}

TEST_F(SingleInstanceTest, AFolderAnotherUserCouldHaveMadeIsNotTrusted)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "only root can give a folder to another user";
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray savedTemporary = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const QString name = u"telvora-%1"_s.arg(::getuid());
    const struct
    {
        const char *name;
        std::function<void(const QString &folder)> plant;
    } cases[]{
        {"owned by another user",
         [](const QString &folder) {
             ASSERT_TRUE(QDir().mkdir(folder));
             ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
         }},
        {"open to everyone",
         [](const QString &folder) {
             ASSERT_TRUE(QDir().mkdir(folder));
             ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
         }},
        {"a link to another folder",
         [](const QString &folder) {
             ASSERT_TRUE(QDir().mkdir(folder + u"-alvo"_s));
             ASSERT_TRUE(QFile::link(folder + u"-alvo"_s, folder));
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir temporary;
        qputenv("TMPDIR", temporary.path().toUtf8());
        const QString folder = temporary.filePath(name);
        c.plant(folder);
        // Sockets where the hand-off may look: the old place beside the folder, and inside it.
        QLocalServer planted;
        ASSERT_TRUE(planted.listen(temporary.filePath(name + u".socket"_s)));
        QLocalServer inside;
        ASSERT_TRUE(inside.listen(QDir(folder).filePath(name + u".socket"_s)));
        std::future<bool> handOff = handOffLater(u"/home/ana/segredo.txt"_s);
        EXPECT_FALSE(waitFor(handOff));
        EXPECT_FALSE(planted.hasPendingConnections());
        EXPECT_FALSE(inside.hasPendingConnections());
        EXPECT_FALSE(SingleInstance().listen());
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("TMPDIR", savedTemporary);
}

TEST_F(SingleInstanceTest, BothEndsTalkOnlyToTheSameUser)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "only root can run a process as another user";
    // A runtime folder others can write into, as a misconfigured one is.
    QTemporaryDir shared;
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 0777), 0);
    qputenv("XDG_RUNTIME_DIR", shared.path().toUtf8());

    StrangerProcess server(u"serve"_s, SingleInstance::socketName());
    ASSERT_TRUE(server.ready());
    std::future<bool> handOff = handOffLater(u"/home/ana/segredo.txt"_s);
    EXPECT_FALSE(waitFor(handOff));
    EXPECT_EQ(server.received(), "b''\n");
    QFile::remove(SingleInstance::socketName());

    SingleInstance running;
    ASSERT_TRUE(running.listen());
    QFile::setPermissions(SingleInstance::socketName(), QFile::Permissions(0x7777));
    QSignalSpy requested(&running, &SingleInstance::requested);
    StrangerProcess client(u"connect"_s, SingleInstance::socketName());
    ASSERT_TRUE(client.ready());
    QTest::qWait(300);
    EXPECT_EQ(client.received(), "b''\n");
    EXPECT_TRUE(requested.isEmpty());
}

// The store over the real Secret Service: gnome-keyring in the D-Bus session that
// scripts/test.sh starts, and keyrings or buses of their own for the cases that lock,
// remove or silence the service.

#include "Telvora/Session/Credentials/KeychainError.h"
#include "Telvora/Session/Credentials/KeychainStore.h"
#include "Telvora/Session/Credentials/KeychainUnavailable.h"
#include "Telvora/Session/Credentials/SecretServiceBackend.h"
#include "TelvoraCore/Errors/Error.h"
#include "tests/support/RunTask.h"

#include <QCoreApplication>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDir>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace telvora::test {
namespace {

const QString unavailable = u"O chaveiro do sistema está bloqueado ou não responde. Desbloqueie-o e tente de novo."_s;

// Set in the child processes started below, which run one test each on a bus of their own.
constexpr const char *childVariable = "TELVORA_TEST_KEYCHAIN_CHILD";
// The guard the child's backend uses, in milliseconds.
constexpr const char *guardVariable = "TELVORA_TEST_KEYCHAIN_GUARD_MS";

bool isChild() { return qEnvironmentVariableIsSet(childVariable); }

// Tests never touch the user's real keys: each test uses a service of its own, which also
// keeps test cases that CTest runs in parallel apart.
QString testService()
{
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return u"app.telvora.tests."_s + QString::fromLatin1(test->name()) + u".providers"_s;
}

QDBusInterface secretService()
{
    return QDBusInterface(u"org.freedesktop.secrets"_s, u"/org/freedesktop/secrets"_s,
                          u"org.freedesktop.Secret.Service"_s);
}

// The items the Secret Service holds for `account` under the test service, locked or not,
// found through its own D-Bus interface (the attributes are those QtKeychain gives its items).
int itemCount(const QString &account)
{
    qDBusRegisterMetaType<QMap<QString, QString>>();
    const QMap<QString, QString> attributes{{u"server"_s, testService()}, {u"user"_s, account}};
    const QDBusMessage reply = secretService().call(u"SearchItems"_s, QVariant::fromValue(attributes));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        return -1;
    int count = 0;
    for (const QVariant &paths : reply.arguments())
        count += int(qdbus_cast<QList<QDBusObjectPath>>(paths).size());
    return count;
}

// What a program started afresh would read: a new store, nothing cached.
QString readBack(CredentialBackend &backend, KeychainAccount account)
{
    KeychainStore fresh(backend);
    return runTask(fresh.read(account));
}

class SecretServiceKeychain : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "needs a D-Bus session with a Secret Service (scripts/test.sh)";
        if (isChild())
            GTEST_SKIP() << "runs in the test's own session only";
        clear();
    }

    void TearDown() override
    {
        if (!IsSkipped())
            clear();
    }

    void clear()
    {
        runTask(backend.remove(KeychainAccount::openAI));
        runTask(backend.remove(KeychainAccount::elevenLabs));
    }

    SecretServiceBackend backend{testService()};
    KeychainStore store{backend};
};

TEST_F(SecretServiceKeychain, SavedKeysReadBackExactlyAndAreReplacedInPlace)
{
    const QStringList values{u"sk-first"_s, u"  sk-with spaces \n"_s, u"chave-ção-🔑"_s, u"sk-second"_s};
    for (const QString &value : values) {
        SCOPED_TRACE(value.toStdString());
        runTask(store.save(KeychainAccount::openAI, value));
        EXPECT_EQ(readBack(backend, KeychainAccount::openAI), value);
        EXPECT_EQ(itemCount(u"openai"_s), 1);
    }
    EXPECT_EQ(readBack(backend, KeychainAccount::elevenLabs), QString());
}

TEST_F(SecretServiceKeychain, AccountsAreIndependent)
{
    runTask(store.save(KeychainAccount::openAI, u"sk-openai"_s));
    runTask(store.save(KeychainAccount::elevenLabs, u"xi-eleven"_s));
    runTask(store.save(KeychainAccount::elevenLabs, u"xi-other"_s));

    EXPECT_EQ(readBack(backend, KeychainAccount::openAI), u"sk-openai"_s);
    EXPECT_EQ(readBack(backend, KeychainAccount::elevenLabs), u"xi-other"_s);
    EXPECT_EQ(itemCount(u"openai"_s), 1);
    EXPECT_EQ(itemCount(u"elevenlabs"_s), 1);
    // A store under another service identifier sees neither.
    SecretServiceBackend elsewhere(u"app.telvora.tests.other.providers"_s);
    EXPECT_EQ(readBack(elsewhere, KeychainAccount::openAI), QString());
}

TEST_F(SecretServiceKeychain, SavingTheEmptyTextDeletesAndDeletingTwiceSucceeds)
{
    runTask(store.save(KeychainAccount::openAI, u"sk-gone-soon"_s));
    runTask(store.save(KeychainAccount::openAI, QString()));
    EXPECT_EQ(readBack(backend, KeychainAccount::openAI), QString());
    EXPECT_EQ(runTask(backend.readData(KeychainAccount::openAI)), std::nullopt);
    EXPECT_EQ(itemCount(u"openai"_s), 0);
    EXPECT_NO_THROW(runTask(store.save(KeychainAccount::openAI, QString())));
}

TEST_F(SecretServiceKeychain, StoredBytesThatAreNotUtf8ReadAsTheEmptyText)
{
    runTask(backend.writeData(KeychainAccount::openAI, QByteArray("sk-\xff\xfe-broken")));
    EXPECT_EQ(runTask(backend.readData(KeychainAccount::openAI)), QByteArray("sk-\xff\xfe-broken"));
    EXPECT_EQ(readBack(backend, KeychainAccount::openAI), QString());
}

TEST_F(SecretServiceKeychain, TheStoreReadsTheKeyringOnceAndItsSavesRefreshIt)
{
    runTask(store.save(KeychainAccount::openAI, u"sk-first"_s));
    KeychainStore program(backend);
    EXPECT_EQ(runTask(program.read(KeychainAccount::openAI)), u"sk-first"_s);

    // Changed behind its back, the keyring is not asked again.
    runTask(store.save(KeychainAccount::openAI, u"sk-elsewhere"_s));
    EXPECT_EQ(runTask(program.read(KeychainAccount::openAI)), u"sk-first"_s);

    runTask(program.save(KeychainAccount::openAI, u"sk-saved"_s));
    EXPECT_EQ(runTask(program.read(KeychainAccount::openAI)), u"sk-saved"_s);
    EXPECT_EQ(readBack(backend, KeychainAccount::openAI), u"sk-saved"_s);
}

TEST_F(SecretServiceKeychain, AStoreDestroyedWhileAReadIsPendingResumesIntoNothing)
{
    runTask(store.save(KeychainAccount::openAI, u"sk-pending"_s));
    auto pendingBackend = std::make_unique<SecretServiceBackend>(testService());
    auto pendingStore = std::make_unique<KeychainStore>(*pendingBackend);
    QCoro::Task<QString> read = pendingStore->read(KeychainAccount::openAI);
    ASSERT_FALSE(read.isReady()) << "the keyring answers through the event loop";
    pendingStore.reset();
    pendingBackend.reset();
    EXPECT_THROW(runTask(std::move(read)), Cancelled);
    EXPECT_EQ(readBack(backend, KeychainAccount::openAI), u"sk-pending"_s);
}

TEST_F(SecretServiceKeychain, AJobAnsweringAfterItsGuardIsAbandonedHarmlessly)
{
    runTask(store.save(KeychainAccount::openAI, u"sk-late"_s));
    SecretServiceBackend impatient(testService(), 0ms);
    for (int i = 0; i < 3; ++i) {
        KeychainStore hurried(impatient);
        // Usually gives up before the answer; whatever it says is never a missing key.
        try {
            EXPECT_EQ(runTask(hurried.read(KeychainAccount::openAI)), u"sk-late"_s);
        } catch (const KeychainUnavailable &) {}
        try {
            runTask(hurried.save(KeychainAccount::openAI, u"sk-late"_s));
        } catch (const KeychainError &error) {
            EXPECT_EQ(error.message(), unavailable);
        }
    }
    // The late answers arrive now, with nobody waiting for them.
    QTest::qWait(500);
    EXPECT_EQ(readBack(backend, KeychainAccount::openAI), u"sk-late"_s);
    EXPECT_EQ(itemCount(u"openai"_s), 1);
}

// --- In child processes, each on a bus of its own. ---

std::chrono::milliseconds childGuard()
{
    return std::chrono::milliseconds(qEnvironmentVariableIntValue(guardVariable));
}

void expectUnavailable(KeychainStore &store)
{
    try {
        const QString key = runTask(store.read(KeychainAccount::openAI), 10min);
        ADD_FAILURE() << "read answered " << key.toStdString();
    } catch (const KeychainUnavailable &error) {
        EXPECT_EQ(error.message(), unavailable);
    }
    for (const QString &value : {u"sk-new"_s, QString()}) {
        SCOPED_TRACE(value.isEmpty() ? "deleting" : "writing");
        EXPECT_THROW(runTask(store.save(KeychainAccount::openAI, value), 10min), KeychainError);
    }
}

TEST(SecretServiceKeychainChild, UnreachableServiceIsUnavailable)
{
    if (!isChild())
        GTEST_SKIP() << "runs in a child process";
    SecretServiceBackend backend(testService(), childGuard());
    KeychainStore store(backend);
    expectUnavailable(store);
}

TEST(SecretServiceKeychainChild, LockedKeyringIsUnavailableButAMissingKeyIsEmpty)
{
    if (!isChild())
        GTEST_SKIP() << "runs in a child process";
    SecretServiceBackend backend(testService(), childGuard());
    KeychainStore writer(backend);
    runTask(writer.save(KeychainAccount::openAI, u"sk-locked-away"_s));

    QDBusInterface service = secretService();
    const QDBusReply<QDBusObjectPath> collection = service.call(u"ReadAlias"_s, u"default"_s);
    ASSERT_TRUE(collection.isValid());
    const QDBusMessage locked =
        service.call(u"Lock"_s, QVariant::fromValue(QList<QDBusObjectPath>{collection.value()}));
    ASSERT_EQ(locked.type(), QDBusMessage::ReplyMessage) << locked.errorMessage().toStdString();

    KeychainStore store(backend);
    expectUnavailable(store);
    EXPECT_EQ(itemCount(u"openai"_s), 1) << "a failed deletion leaves the item";
    EXPECT_EQ(runTask(store.read(KeychainAccount::elevenLabs)), QString()) << "a key never stored is missing";
}

struct ChildCase
{
    const char *name;
    const char *test;
    QStringList command; // before the test binary's own arguments
    QProcessEnvironment environment;
    std::chrono::milliseconds guard;
};

void expectChildPasses(const ChildCase &c)
{
    QProcessEnvironment environment = c.environment;
    environment.insert(QString::fromLatin1(childVariable), u"1"_s);
    environment.insert(QString::fromLatin1(guardVariable), QString::number(c.guard.count()));
    // No unlock prompt may reach a developer's screen.
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    QStringList arguments = c.command;
    arguments << QCoreApplication::applicationFilePath()
              << u"--gtest_filter=SecretServiceKeychainChild."_s + QString::fromLatin1(c.test);
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(arguments.takeFirst(), arguments);
    ASSERT_TRUE(child.waitForStarted());
    // A watchdog against a hang, far beyond any guard a case sets.
    const bool finished = child.waitForFinished(90000);
    if (!finished)
        child.kill();
    ASSERT_TRUE(finished) << "the child hung";
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.constData();
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
}

// A bus of our own that knows no Secret Service and cannot start one.
class BareBus
{
public:
    explicit BareBus(const QString &folder)
    {
        const QString config = folder + u"/bus.conf"_s;
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:dir=");
        file.write(folder.toUtf8());
        file.write("</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                   "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                   "<allow own=\"*\"/></policy></busconfig>\n");
        file.close();
        m_daemon.start(u"dbus-daemon"_s, {u"--config-file="_s + config, u"--print-address"_s, u"--nofork"_s});
        if (m_daemon.waitForStarted() && m_daemon.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }

    ~BareBus()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
    }

    const QString &address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

TEST(SecretServiceKeychainUnreachable, ReadsAndSavesEndUnavailable)
{
    if (isChild())
        GTEST_SKIP() << "already the child";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    BareBus bareBus(folder.path());
    ASSERT_FALSE(bareBus.address().isEmpty()) << "dbus-daemon did not start";
    // A bus that accepts the connection and never says a word, like a keyring that
    // hangs: only the guard ends the calls.
    QLocalServer silentBus;
    ASSERT_TRUE(silentBus.listen(folder.filePath(u"silent"_s)));

    const auto onBus = [](const QString &address) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
        return environment;
    };
    // The first two answer on their own: their guard of ten minutes never fires within the
    // watchdog, so the failure comes from the bus, promptly.
    const QList<ChildCase> cases{
        {"no bus at all",
         "UnreachableServiceIsUnavailable",
         {},
         onBus(u"unix:path=/nonexistent/telvora-no-bus"_s),
         10min},
        {"a bus without a Secret Service", "UnreachableServiceIsUnavailable", {}, onBus(bareBus.address()), 10min},
        {"a bus that never answers",
         "UnreachableServiceIsUnavailable",
         {},
         onBus(u"unix:path="_s + silentBus.fullServerName()),
         1s},
    };
    for (const ChildCase &c : cases) {
        SCOPED_TRACE(c.name);
        expectChildPasses(c);
    }
}

TEST(SecretServiceKeychainLocked, ALockedKeyringIsUnavailable)
{
    if (isChild())
        GTEST_SKIP() << "already the child";
    // A session and keyring of its own, so that locking it leaves the other cases alone.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QDir(folder.path()).mkpath(u"home"_s);
    QDir(folder.path()).mkpath(u"runtime"_s);
    QFile::setPermissions(folder.filePath(u"runtime"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, folder.filePath(u"home"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, folder.filePath(u"runtime"_s));
    environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
    const QStringList session{u"dbus-run-session"_s, u"--"_s, u"sh"_s, u"-c"_s,
                              u"echo -n telvora | gnome-keyring-daemon --unlock --components=secrets >/dev/null"
                              " && exec \"$0\" \"$@\""_s};
    expectChildPasses(
        {"a locked login keyring", "LockedKeyringIsUnavailableButAMissingKeyIsEmpty", session, environment, 10min});
}

} // namespace
} // namespace telvora::test

#include "Telvora/Session/Credentials/KeychainError.h"
#include "Telvora/Session/Credentials/KeychainStore.h"
#include "Telvora/Session/Credentials/SecretServiceBackend.h"
#include "tests/support/InMemoryCredentialBackend.h"

#include <QCoreApplication>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {
namespace {

// Tests never touch the user's real keys: each test uses a service of its own, which also
// keeps test cases that CTest runs in parallel apart.
QString testService()
{
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return u"app.telvora.tests."_s + QString::fromLatin1(test->name()) + u".providers"_s;
}
constexpr const char *noServiceVariable = "TELVORA_TEST_WITHOUT_SECRET_SERVICE";

// The items the Secret Service holds for `account` under the test service, found through
// its own D-Bus interface (the attributes are those QtKeychain gives its items).
int itemCount(const QString &account)
{
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QDBusInterface secrets(u"org.freedesktop.secrets"_s, u"/org/freedesktop/secrets"_s,
                           u"org.freedesktop.Secret.Service"_s);
    const QMap<QString, QString> attributes{{u"server"_s, testService()}, {u"user"_s, account}};
    const QDBusMessage reply = secrets.call(u"SearchItems"_s, QVariant::fromValue(attributes));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        return -1;
    int count = 0;
    for (const QVariant &paths : reply.arguments())
        count += int(qdbus_cast<QList<QDBusObjectPath>>(paths).size());
    return count;
}

class KeychainStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "needs a D-Bus session with a Secret Service (scripts/test.sh)";
        if (qEnvironmentVariableIsSet(noServiceVariable))
            GTEST_SKIP() << "running without a Secret Service";
        store.save(QString(), KeychainStore::openAIAccount);
        store.save(QString(), KeychainStore::elevenLabsAccount);
    }

    void TearDown() override
    {
        if (!IsSkipped()) {
            store.save(QString(), KeychainStore::openAIAccount);
            store.save(QString(), KeychainStore::elevenLabsAccount);
        }
    }

    SecretServiceBackend backend{testService()};
    KeychainStore store{backend};
};

TEST_F(KeychainStoreTest, SavedKeysReadBackExactlyAndAreReplacedInPlace)
{
    const QStringList values{u"sk-first"_s, u"  sk-with spaces \n"_s, u"chave-ção-🔑"_s, u"sk-second"_s};
    for (const QString &value : values) {
        SCOPED_TRACE(value.toStdString());
        store.save(value, KeychainStore::openAIAccount);
        EXPECT_EQ(store.read(KeychainStore::openAIAccount), value);
        EXPECT_EQ(itemCount(KeychainStore::openAIAccount), 1);
    }
    EXPECT_EQ(store.read(KeychainStore::elevenLabsAccount), QString());
}

TEST_F(KeychainStoreTest, AccountsAreIndependent)
{
    store.save(u"sk-openai"_s, KeychainStore::openAIAccount);
    store.save(u"xi-eleven"_s, KeychainStore::elevenLabsAccount);
    store.save(u"xi-other"_s, KeychainStore::elevenLabsAccount);

    EXPECT_EQ(store.read(KeychainStore::openAIAccount), u"sk-openai"_s);
    EXPECT_EQ(store.read(KeychainStore::elevenLabsAccount), u"xi-other"_s);
    // A store under another service identifier sees neither.
    SecretServiceBackend elsewhere(u"app.telvora.tests.other.providers"_s);
    EXPECT_EQ(KeychainStore(elsewhere).read(KeychainStore::openAIAccount), QString());
}

TEST_F(KeychainStoreTest, SavingTheEmptyTextDeletesAndDeletingTwiceSucceeds)
{
    store.save(u"sk-gone-soon"_s, KeychainStore::openAIAccount);
    store.save(QString(), KeychainStore::openAIAccount);
    EXPECT_EQ(store.read(KeychainStore::openAIAccount), QString());
    EXPECT_FALSE(backend.readData(KeychainStore::openAIAccount).has_value());
    EXPECT_EQ(itemCount(KeychainStore::openAIAccount), 0);
    EXPECT_NO_THROW(store.save(QString(), KeychainStore::openAIAccount));
}

TEST_F(KeychainStoreTest, StoredBytesThatAreNotUtf8ReadAsTheEmptyText)
{
    backend.writeData(KeychainStore::openAIAccount, QByteArray("sk-\xff\xfe-broken"));
    EXPECT_EQ(backend.readData(KeychainStore::openAIAccount), QByteArray("sk-\xff\xfe-broken"));
    EXPECT_EQ(store.read(KeychainStore::openAIAccount), QString());
}

TEST_F(KeychainStoreTest, AJobAnsweringAfterItsGuardIsAbandonedHarmlessly)
{
    store.save(u"sk-late"_s, KeychainStore::openAIAccount);
    SecretServiceBackend impatient(testService(), std::chrono::milliseconds(0));
    const KeychainStore hurried(impatient);
    for (int i = 0; i < 3; ++i) {
        hurried.read(KeychainStore::openAIAccount); // usually gives up before the answer
        try {
            hurried.save(u"sk-late"_s, KeychainStore::openAIAccount);
        } catch (const KeychainError &) {}
    }
    // The late answers arrive now, with nobody waiting for them.
    QTest::qWait(500);
    EXPECT_EQ(store.read(KeychainStore::openAIAccount), u"sk-late"_s);
    EXPECT_EQ(itemCount(KeychainStore::openAIAccount), 1);
}

// The store's own rules, whatever backend answers.
TEST(KeychainStoreRules, ReadHidesEveryFailureAndSaveReportsThem)
{
    InMemoryCredentialBackend memory;
    const KeychainStore store(memory);
    memory.items.insert(u"openai"_s, QByteArray("\xef\xbb\xbfsk-bom")); // a byte-order mark is kept
    EXPECT_EQ(store.read(u"openai"_s), u"\ufeffsk-bom"_s);

    memory.failure = u"recusado"_s;
    try {
        store.save(u"sk"_s, u"openai"_s);
        ADD_FAILURE() << "a refused save must fail";
    } catch (const KeychainError &error) {
        EXPECT_EQ(error.message(), u"recusado"_s);
    }
    EXPECT_THROW(store.save(QString(), u"openai"_s), KeychainError);
}

TEST(KeychainStoreRules, StoredBytesThatAreNotUtf8ReadAsTheEmptyText)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"a byte that never starts a character", QByteArray("sk-\xff-key")},
        {"a sequence cut short at the end", QByteArray("sk-ke\xc3")},
        {"a four-byte sequence missing its last byte", QByteArray("sk-\xf0\x9f\x94")},
        {"an encoded surrogate", QByteArray("sk-\xed\xa0\x80")},
        {"an overlong encoding", QByteArray("sk-\xc0\xaf")},
    };
    InMemoryCredentialBackend memory;
    const KeychainStore store(memory);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        memory.items.insert(u"openai"_s, c.bytes);
        EXPECT_EQ(store.read(u"openai"_s), QString());
    }
}

// Without any Secret Service, reads answer the empty text and saves fail, promptly.
// Runs only in the child started by the test below.
TEST(KeychainWithoutSecretService, ReadIsEmptyAndSaveFails)
{
    if (!qEnvironmentVariableIsSet(noServiceVariable))
        GTEST_SKIP() << "runs in a child process without a session bus";
    SecretServiceBackend backend(testService());
    const KeychainStore store(backend);
    EXPECT_EQ(store.read(KeychainStore::openAIAccount), QString());
    EXPECT_THROW(store.save(u"sk-nowhere"_s, KeychainStore::openAIAccount), KeychainError);
    EXPECT_THROW(store.save(QString(), KeychainStore::openAIAccount), KeychainError);
}

struct BusCase
{
    const char *name;
    QString address;
};

// Runs the test above in a child process whose session bus is `address`.
void expectAnswersOnBus(const QString &address)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(noServiceVariable), u"1"_s);
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {u"--gtest_filter=KeychainWithoutSecretService.ReadIsEmptyAndSaveFails"_s});
    ASSERT_TRUE(child.waitForStarted());
    // Three calls, each bounded by the store's guard; far longer means a hang.
    const bool finished = child.waitForFinished(60000);
    if (!finished)
        child.kill();
    ASSERT_TRUE(finished) << "the store hung";
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.constData();
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
}

TEST(KeychainWithoutSecretService, AnswersWithoutHanging)
{
    if (qEnvironmentVariableIsSet(noServiceVariable))
        GTEST_SKIP() << "already the child";
    // A bus that accepts the connection and never says a word, like a keyring waiting
    // for an unlock prompt nobody answers: only the guard ends the calls.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QLocalServer silentBus;
    ASSERT_TRUE(silentBus.listen(folder.filePath(u"bus"_s)));

    const QList<BusCase> cases{
        {"no bus at all", u"unix:path=/nonexistent/telvora-no-bus"_s},
        {"a bus that never answers", u"unix:path="_s + silentBus.fullServerName()},
    };
    for (const BusCase &bus : cases) {
        SCOPED_TRACE(bus.name);
        expectAnswersOnBus(bus.address);
    }
}

} // namespace
} // namespace telvora::test

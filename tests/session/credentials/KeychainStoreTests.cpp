#include "Telvora/Session/Credentials/KeychainError.h"
#include "Telvora/Session/Credentials/KeychainStore.h"
#include "Telvora/Session/Credentials/SecretServiceBackend.h"
#include "tests/support/InMemoryCredentialBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {
namespace {

// Tests never touch the user's real keys: they use a service of their own.
const QString testService = u"app.telvora.tests.providers"_s;
constexpr const char *noServiceVariable = "TELVORA_TEST_WITHOUT_SECRET_SERVICE";

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

    SecretServiceBackend backend{testService};
    KeychainStore store{backend};
};

TEST_F(KeychainStoreTest, SavedKeysReadBackExactlyAndAreReplacedInPlace)
{
    const QStringList values{u"sk-first"_s, u"  sk-with spaces \n"_s, u"chave-ção-🔑"_s, u"sk-second"_s};
    for (const QString &value : values) {
        SCOPED_TRACE(value.toStdString());
        store.save(value, KeychainStore::openAIAccount);
        EXPECT_EQ(store.read(KeychainStore::openAIAccount), value);
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
    EXPECT_NO_THROW(store.save(QString(), KeychainStore::openAIAccount));
}

TEST_F(KeychainStoreTest, StoredBytesThatAreNotUtf8ReadAsTheEmptyText)
{
    backend.writeData(KeychainStore::openAIAccount, QByteArray("sk-\xff\xfe-broken"));
    EXPECT_EQ(backend.readData(KeychainStore::openAIAccount), QByteArray("sk-\xff\xfe-broken"));
    EXPECT_EQ(store.read(KeychainStore::openAIAccount), QString());
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

// Without any Secret Service, reads answer the empty text and saves fail, promptly.
// Runs only in the child started by the test below.
TEST(KeychainWithoutSecretService, ReadIsEmptyAndSaveFails)
{
    if (!qEnvironmentVariableIsSet(noServiceVariable))
        GTEST_SKIP() << "runs in a child process without a session bus";
    SecretServiceBackend backend(testService);
    const KeychainStore store(backend);
    EXPECT_EQ(store.read(KeychainStore::openAIAccount), QString());
    EXPECT_THROW(store.save(u"sk-nowhere"_s, KeychainStore::openAIAccount), KeychainError);
    EXPECT_THROW(store.save(QString(), KeychainStore::openAIAccount), KeychainError);
}

TEST(KeychainWithoutSecretService, AnswersWithoutHanging)
{
    if (qEnvironmentVariableIsSet(noServiceVariable))
        GTEST_SKIP() << "already the child";
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(noServiceVariable), u"1"_s);
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/telvora-no-bus"_s);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {u"--gtest_filter=KeychainWithoutSecretService.ReadIsEmptyAndSaveFails"_s});
    ASSERT_TRUE(child.waitForStarted());
    // Three calls each bounded by the store's guard; far longer means a hang.
    const bool finished = child.waitForFinished(60000);
    if (!finished)
        child.kill();
    ASSERT_TRUE(finished) << "the store hung without a Secret Service";
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
}

} // namespace
} // namespace telvora::test

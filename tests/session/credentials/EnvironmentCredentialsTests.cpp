// Keys from the environment for a machine without a keyring, the keyring for the rest.

#include "Telvora/Session/Credentials/EnvironmentCredentials.h"
#include "Telvora/Session/Credentials/KeychainStore.h"
#include "Telvora/Session/Credentials/KeychainUnavailable.h"
#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {
namespace {

class EnvironmentKeys : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const KeychainAccount account : {KeychainAccount::openAI, KeychainAccount::elevenLabs})
            qunsetenv(EnvironmentCredentials::variable(account).constData());
        keyring.items.insert(u"openai"_s, "sk-chaveiro");
        keyring.items.insert(u"elevenlabs"_s, "xi-chaveiro");
    }
    void TearDown() override { SetUp(); }

    InMemoryCredentialBackend keyring;
    EnvironmentCredentials environment{keyring};
    KeychainStore store{environment};
};

TEST_F(EnvironmentKeys, AVariableWithAValueWinsOverTheKeyring)
{
    qputenv("TELVORA_OPENAI_API_KEY", "sk-ambiente");
    qputenv("TELVORA_ELEVENLABS_API_KEY", "");
    EXPECT_EQ(runTask(store.read(KeychainAccount::openAI)), u"sk-ambiente"_s);
    // An empty variable is no key: the keyring answers.
    EXPECT_EQ(runTask(store.read(KeychainAccount::elevenLabs)), u"xi-chaveiro"_s);
    EXPECT_EQ(keyring.reads, 1);
}

TEST_F(EnvironmentKeys, WithTheKeyInTheEnvironmentALockedKeyringIsNeverAsked)
{
    qputenv("TELVORA_ELEVENLABS_API_KEY", "xi-ambiente");
    keyring.locked = true;
    EXPECT_EQ(runTask(store.read(KeychainAccount::elevenLabs)), u"xi-ambiente"_s);
    EXPECT_EQ(keyring.reads, 0);
    EXPECT_THROW(runTask(store.read(KeychainAccount::openAI)), KeychainUnavailable);
}

TEST_F(EnvironmentKeys, SavesGoToTheKeyring)
{
    qputenv("TELVORA_OPENAI_API_KEY", "sk-ambiente");
    runTask(environment.writeData(KeychainAccount::openAI, "sk-novo"));
    EXPECT_EQ(keyring.items.value(u"openai"_s), QByteArray("sk-novo"));
    EXPECT_EQ(qgetenv("TELVORA_OPENAI_API_KEY"), QByteArray("sk-ambiente"));
    runTask(environment.remove(KeychainAccount::elevenLabs));
    EXPECT_FALSE(keyring.items.contains(u"elevenlabs"_s));
}

} // namespace
} // namespace telvora::test

// The store's own rules over the in-memory backend: decoding, the cache, failures and
// lifetimes, whatever keyring answers.

#include "Telvora/Session/Credentials/KeychainError.h"
#include "Telvora/Session/Credentials/KeychainStore.h"
#include "Telvora/Session/Credentials/KeychainUnavailable.h"
#include "TelvoraCore/Errors/Error.h"
#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/RunTask.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace telvora::test {
namespace {

const QString unavailable = u"O chaveiro do sistema está bloqueado ou não responde. Desbloqueie-o e tente de novo."_s;

class KeychainStoreRules : public ::testing::Test
{
protected:
    InMemoryCredentialBackend memory;
    KeychainStore store{memory};
};

TEST_F(KeychainStoreRules, AccountsUseTheItemNamesOfExistingKeyrings)
{
    memory.items.insert(u"openai"_s, "sk-open");
    memory.items.insert(u"elevenlabs"_s, "xi-eleven");
    EXPECT_EQ(runTask(store.read(KeychainAccount::openAI)), u"sk-open"_s);
    EXPECT_EQ(runTask(store.read(KeychainAccount::elevenLabs)), u"xi-eleven"_s);

    runTask(store.save(KeychainAccount::elevenLabs, u"xi-new"_s));
    EXPECT_EQ(memory.items.value(u"elevenlabs"_s), QByteArray("xi-new"));
    EXPECT_EQ(memory.items.value(u"openai"_s), QByteArray("sk-open"));
}

TEST_F(KeychainStoreRules, AByteOrderMarkIsKept)
{
    memory.items.insert(u"openai"_s, QByteArray("\xef\xbb\xbfsk-bom"));
    EXPECT_EQ(runTask(store.read(KeychainAccount::openAI)), u"\ufeffsk-bom"_s);
}

TEST_F(KeychainStoreRules, StoredBytesThatAreNotUtf8ReadAsTheEmptyText)
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
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        KeychainStore fresh(memory);
        memory.items.insert(u"openai"_s, c.bytes);
        EXPECT_EQ(runTask(fresh.read(KeychainAccount::openAI)), QString());
    }
}

TEST_F(KeychainStoreRules, AKeyIsReadOnceAndASaveRefreshesIt)
{
    memory.items.insert(u"openai"_s, "sk-first");
    QSignalSpy changes(&store, &KeychainStore::keyChanged);
    EXPECT_EQ(store.cached(KeychainAccount::openAI), std::nullopt);

    EXPECT_EQ(runTask(store.read(KeychainAccount::openAI)), u"sk-first"_s);
    memory.items.insert(u"openai"_s, "sk-changed-elsewhere");
    QCoro::Task<QString> again = store.read(KeychainAccount::openAI);
    EXPECT_TRUE(again.isReady()) << "a known key is answered without suspending";
    EXPECT_EQ(runTask(std::move(again)), u"sk-first"_s);
    EXPECT_EQ(memory.reads, 1);
    EXPECT_EQ(store.cached(KeychainAccount::openAI), u"sk-first"_s);

    runTask(store.save(KeychainAccount::openAI, u"sk-saved"_s));
    EXPECT_EQ(store.cached(KeychainAccount::openAI), u"sk-saved"_s);
    EXPECT_EQ(runTask(store.read(KeychainAccount::openAI)), u"sk-saved"_s);
    runTask(store.save(KeychainAccount::openAI, QString()));
    EXPECT_EQ(runTask(store.read(KeychainAccount::openAI)), QString());
    EXPECT_EQ(memory.reads, 1);
    EXPECT_FALSE(memory.items.contains(u"openai"_s));

    // First read, two saves; the other account never changed.
    ASSERT_EQ(changes.size(), 3);
    for (const QList<QVariant> &change : changes)
        EXPECT_EQ(change.at(0).value<KeychainAccount>(), KeychainAccount::openAI);
}

TEST_F(KeychainStoreRules, SavingTheSameKeyAgainIsNoChange)
{
    runTask(store.save(KeychainAccount::openAI, u"sk-same"_s));
    QSignalSpy changes(&store, &KeychainStore::keyChanged);
    runTask(store.save(KeychainAccount::openAI, u"sk-same"_s));
    EXPECT_EQ(changes.size(), 0);
}

TEST_F(KeychainStoreRules, ALockedKeyringIsItsOwnFailureAndIsNeverRemembered)
{
    memory.items.insert(u"openai"_s, "sk-stored");
    memory.locked = true;
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            const QString key = runTask(store.read(KeychainAccount::openAI));
            ADD_FAILURE() << "a locked keyring answered " << key.toStdString();
        } catch (const KeychainUnavailable &error) {
            EXPECT_EQ(error.message(), unavailable);
        }
        EXPECT_EQ(store.cached(KeychainAccount::openAI), std::nullopt);
    }
    EXPECT_EQ(memory.reads, 2) << "every read after a failure asks the keyring again";

    memory.locked = false;
    EXPECT_EQ(runTask(store.read(KeychainAccount::openAI)), u"sk-stored"_s);
}

TEST_F(KeychainStoreRules, AFailedSaveIsReportedAndForgetsTheKey)
{
    struct Case
    {
        const char *name;
        QString value;
        std::function<void(InMemoryCredentialBackend &)> refuse;
        QString message;
    };
    const QList<Case> cases{
        {"a refused write", u"sk-new"_s, [](auto &m) { m.failure = u"recusado"_s; }, u"recusado"_s},
        {"a refused removal", QString(), [](auto &m) { m.failure = u"recusado"_s; }, u"recusado"_s},
        {"a locked keyring", u"sk-new"_s, [](auto &m) { m.locked = true; }, unavailable},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        InMemoryCredentialBackend refusing;
        KeychainStore refused(refusing);
        runTask(refused.save(KeychainAccount::openAI, u"sk-old"_s));
        c.refuse(refusing);
        try {
            runTask(refused.save(KeychainAccount::openAI, c.value));
            ADD_FAILURE() << "a refused save must fail";
        } catch (const KeychainError &error) {
            EXPECT_EQ(error.message(), c.message);
        }
        // The keyring may hold either key now; only the keyring can say which.
        EXPECT_EQ(refused.cached(KeychainAccount::openAI), std::nullopt);
        refusing.failure.reset();
        refusing.locked = false;
        EXPECT_EQ(runTask(refused.read(KeychainAccount::openAI)), u"sk-old"_s);
    }
}

TEST_F(KeychainStoreRules, AReadThatStartedBeforeASaveDoesNotUndoIt)
{
    memory.items.insert(u"openai"_s, "sk-old");
    memory.delay = 50ms;
    QCoro::Task<QString> slowRead = store.read(KeychainAccount::openAI);
    memory.delay = 0ms;
    runTask(store.save(KeychainAccount::openAI, u"sk-new"_s));

    EXPECT_EQ(runTask(std::move(slowRead)), u"sk-old"_s);
    EXPECT_EQ(store.cached(KeychainAccount::openAI), u"sk-new"_s);
    EXPECT_EQ(runTask(store.read(KeychainAccount::openAI)), u"sk-new"_s);
}

TEST(KeychainStoreLifetime, CallsPendingWhenTheStoreIsDestroyedEndCancelled)
{
    struct Case
    {
        const char *name;
        std::function<QCoro::Task<>(KeychainStore &)> call;
    };
    const QList<Case> cases{
        {"a read", [](KeychainStore &s) -> QCoro::Task<> { co_await s.read(KeychainAccount::openAI); }},
        {"a save", [](KeychainStore &s) { return s.save(KeychainAccount::openAI, u"sk-late"_s); }},
        {"a deletion", [](KeychainStore &s) { return s.save(KeychainAccount::openAI, QString()); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto backend = std::make_unique<InMemoryCredentialBackend>();
        backend->items.insert(u"openai"_s, "sk-stored");
        backend->delay = 20ms;
        auto store = std::make_unique<KeychainStore>(*backend);
        QCoro::Task<> pending = c.call(*store);
        ASSERT_FALSE(pending.isReady());
        store.reset();
        backend.reset();
        EXPECT_THROW(runTask(std::move(pending)), Cancelled);
    }
}

} // namespace
} // namespace telvora::test

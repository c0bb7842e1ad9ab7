#pragma once

#include "Telvora/Session/Credentials/CredentialBackend.h"
#include "Telvora/Session/Credentials/KeychainError.h"
#include "Telvora/Session/Credentials/KeychainMessages.h"
#include "Telvora/Session/Credentials/KeychainUnavailable.h"

#include <QCoroTimer>
#include <QHash>

#include <chrono>
#include <functional>

namespace telvora::test {

/// Provider keys in a table, for tests that drive Session without a Secret Service.
/// `items` is keyed by the item names the keyring holds ("openai", "elevenlabs").
/// `locked` behaves as a locked keyring: reads throw KeychainUnavailable, writes and
/// removals KeychainError. `failure` makes every write and removal throw, as a refusing
/// keyring would. `delay` makes every call answer that much later, through the event loop.
/// Header-only, so that the support library need not link the session layer.
class InMemoryCredentialBackend : public CredentialBackend
{
public:
    QHash<QString, QByteArray> items;
    bool locked = false;
    std::optional<QString> failure;
    std::chrono::milliseconds delay{0};
    int reads = 0;

    QCoro::Task<std::optional<QByteArray>> readData(KeychainAccount account) override
    {
        ++reads;
        const auto item = items.constFind(keychainAccountName(account));
        const std::optional<QByteArray> found = item == items.cend() ? std::nullopt : std::optional<QByteArray>(*item);
        return answer<std::optional<QByteArray>>(delay, [found, refuse = locked] {
            if (refuse)
                throw KeychainUnavailable();
            return found;
        });
    }

    QCoro::Task<> writeData(KeychainAccount account, QByteArray data) override
    {
        const auto refusal = refused();
        if (!refusal)
            items.insert(keychainAccountName(account), data);
        return answer<void>(delay, refusal);
    }

    QCoro::Task<> remove(KeychainAccount account) override
    {
        const auto refusal = refused();
        if (!refusal)
            items.remove(keychainAccountName(account));
        return answer<void>(delay, refusal);
    }

private:
    std::function<void()> refused() const
    {
        if (locked)
            return [] { throw KeychainError(-1, KeychainMessages::unavailable.toString()); };
        if (failure)
            return [message = *failure] { throw KeychainError(-1, message); };
        return {};
    }

    // Values only: a test may destroy the backend while a call waits for its answer.
    template<typename T, typename Outcome>
    static QCoro::Task<T> answer(std::chrono::milliseconds delay, Outcome outcome)
    {
        if (delay.count() > 0)
            co_await QCoro::sleepFor(delay);
        if constexpr (std::is_void_v<T>) {
            if (outcome)
                outcome();
        } else {
            co_return outcome();
        }
    }
};

} // namespace telvora::test

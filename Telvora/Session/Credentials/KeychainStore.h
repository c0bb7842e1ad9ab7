#pragma once

#include "Telvora/Session/Credentials/CredentialBackend.h"
#include "Telvora/Session/Credentials/KeychainAccount.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <map>
#include <optional>

namespace telvora {

/// The two provider API keys, read once and kept, refreshed by every save. An empty key
/// and a missing one mean the same to every caller: the provider is not configured.
/// Lives on the GUI thread. A call still pending when the store is destroyed ends with
/// Cancelled and touches nothing of it.
class KeychainStore : public QObject
{
    Q_OBJECT

public:
    /// The backend must outlive the store.
    explicit KeychainStore(CredentialBackend &backend, QObject *parent = nullptr);

    /// The stored key, or the empty text when there is none or it is not UTF-8. Completes
    /// without suspending once the key is known. Throws KeychainUnavailable when the keyring
    /// is locked or does not answer; that is never remembered, the next read asks again.
    QCoro::Task<QString> read(KeychainAccount account);

    /// Stores `value` exactly as given; the empty text deletes the item. Throws KeychainError.
    QCoro::Task<> save(KeychainAccount account, QString value);

    /// The key as last read or saved, none before the first answer: what a view can show at once.
    std::optional<QString> cached(KeychainAccount account) const;

Q_SIGNALS:
    /// The cached key of `account` changed: first read, a save, or a failed save that
    /// made it unknown again.
    void keyChanged(telvora::KeychainAccount account);

private:
    struct Entry
    {
        std::optional<QString> key;
        // Counts saves, so that a read that started before one does not overwrite it.
        quint64 saves = 0;
    };

    void remember(KeychainAccount account, std::optional<QString> key);

    CredentialBackend *m_backend;
    std::map<KeychainAccount, Entry> m_entries;
};

} // namespace telvora

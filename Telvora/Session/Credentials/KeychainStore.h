#pragma once

#include "Telvora/Session/Credentials/CredentialBackend.h"
#include "Telvora/Session/Credentials/KeychainAccount.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

namespace telvora {

/// The two provider API keys. An empty key and a missing one mean the same to every
/// caller: the provider is not configured.
class KeychainStore : public QObject
{
    Q_OBJECT
public:
    explicit KeychainStore(CredentialBackend &backend, QObject *parent = nullptr);

    /// The stored key, or the empty text when there is none.
    QCoro::Task<QString> read(KeychainAccount account);
    /// Stores `value` exactly as given; the empty text deletes the item. Throws KeychainError.
    QCoro::Task<> save(KeychainAccount account, QString value);
    /// The key as last read or saved, if it was.
    std::optional<QString> cached(KeychainAccount account) const;

Q_SIGNALS:
    void keyChanged(telvora::KeychainAccount account);

private:
    CredentialBackend *m_backend;
};

} // namespace telvora

#pragma once

#include "Telvora/Session/Credentials/CredentialBackend.h"
#include "Telvora/Session/Credentials/KeychainError.h"

#include <QHash>

namespace telvora::test {

/// Provider keys in a table, for tests that drive Session without a Secret Service.
/// `failure` makes every write and removal throw, as a refusing keyring would.
/// Header-only, so that the support library need not link the session layer.
class InMemoryCredentialBackend : public CredentialBackend
{
public:
    QHash<QString, QByteArray> items;
    std::optional<QString> failure;

    std::optional<QByteArray> readData(const QString &account) override
    {
        const auto item = items.constFind(account);
        if (item == items.cend())
            return std::nullopt;
        return *item;
    }

    void writeData(const QString &account, const QByteArray &data) override
    {
        if (failure)
            throw KeychainError(-1, *failure);
        items.insert(account, data);
    }

    void remove(const QString &account) override
    {
        if (failure)
            throw KeychainError(-1, *failure);
        items.remove(account);
    }
};

} // namespace telvora::test

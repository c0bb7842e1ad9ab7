#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace telvora {

/// Where the provider keys are kept: the desktop's secret service in the program, an
/// in-memory table in tests. KeychainStore adds the rules the callers rely on.
class CredentialBackend
{
public:
    virtual ~CredentialBackend() = default;

    /// The bytes stored for `account`; none when there is no item or it cannot be read.
    virtual std::optional<QByteArray> readData(const QString &account) = 0;

    /// Creates or replaces the item of `account`. Throws KeychainError.
    virtual void writeData(const QString &account, const QByteArray &data) = 0;

    /// Removes the item of `account`; a missing item is not an error. Throws KeychainError.
    virtual void remove(const QString &account) = 0;
};

} // namespace telvora

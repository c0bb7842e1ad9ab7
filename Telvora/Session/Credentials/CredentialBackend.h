#pragma once

#include "Telvora/Session/Credentials/KeychainAccount.h"

#include <QByteArray>
#include <QCoroTask>

#include <optional>

namespace telvora {

/// Where the provider keys are kept: the desktop's secret service in the program, an
/// in-memory table in tests. KeychainStore adds the rules the callers rely on.
///
/// Every call may complete after the backend is gone: implementations touch no member
/// once they have suspended.
class CredentialBackend
{
public:
    virtual ~CredentialBackend() = default;

    /// The bytes stored for `account`; none when there is no item. Throws
    /// KeychainUnavailable when the service is locked, unreachable or does not answer.
    virtual QCoro::Task<std::optional<QByteArray>> readData(KeychainAccount account) = 0;

    /// Creates or replaces the item of `account`. Throws KeychainError.
    virtual QCoro::Task<> writeData(KeychainAccount account, QByteArray data) = 0;

    /// Removes the item of `account`; a missing item is not an error. Throws KeychainError.
    virtual QCoro::Task<> remove(KeychainAccount account) = 0;
};

} // namespace telvora

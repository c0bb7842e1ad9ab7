#pragma once

#include "Telvora/Session/Credentials/CredentialBackend.h"

#include <QString>

#include <chrono>

namespace telvora {

/// The provider keys as generic secrets of the desktop's Secret Service (GNOME Keyring,
/// KWallet) through QtKeychain, one item per account under one service identifier.
/// Items are readable only while the user's keyring is unlocked.
///
/// Every call is bounded by `guard`. A locked keyring shows an unlock prompt the user
/// may be typing into, so the default leaves a minute for it; a keyring that never
/// answers then ends as KeychainUnavailable. Nothing blocks meanwhile.
class SecretServiceBackend : public CredentialBackend
{
public:
    static inline const QString defaultService = QStringLiteral("app.telvora.providers");
    static constexpr std::chrono::milliseconds defaultGuard = std::chrono::minutes(1);

    explicit SecretServiceBackend(QString service = defaultService, std::chrono::milliseconds guard = defaultGuard);

    QCoro::Task<std::optional<QByteArray>> readData(KeychainAccount account) override;
    QCoro::Task<> writeData(KeychainAccount account, QByteArray data) override;
    QCoro::Task<> remove(KeychainAccount account) override;

private:
    QString m_service;
    std::chrono::milliseconds m_guard;
};

} // namespace telvora

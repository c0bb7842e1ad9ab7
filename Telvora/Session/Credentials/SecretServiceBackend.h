#pragma once

#include "Telvora/Session/Credentials/CredentialBackend.h"

#include <chrono>

namespace telvora {

/// The provider keys as generic secrets of the desktop's Secret Service (GNOME Keyring,
/// KWallet) through QtKeychain, one item per account under one service identifier.
/// Items are readable only while the user's keyring is unlocked.
///
/// Calls block the caller (the GUI thread) in a local event loop, bounded by `guard`:
/// a locked keyring may show an unlock prompt that nobody answers, and the program
/// must not freeze on it.
class SecretServiceBackend : public CredentialBackend
{
public:
    static inline const QString defaultService = QStringLiteral("app.telvora.providers");

    explicit SecretServiceBackend(QString service = defaultService,
                                  std::chrono::milliseconds guard = std::chrono::seconds(3));

    std::optional<QByteArray> readData(const QString &account) override;
    void writeData(const QString &account, const QByteArray &data) override;
    void remove(const QString &account) override;

private:
    QString m_service;
    std::chrono::milliseconds m_guard;
};

} // namespace telvora

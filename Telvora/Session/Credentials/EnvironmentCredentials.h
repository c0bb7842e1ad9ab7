#pragma once

#include "Telvora/Session/Credentials/CredentialBackend.h"

#include <QByteArray>

namespace telvora {

/// The provider keys of a machine without a keyring (a server): an account whose variable
/// (TELVORA_OPENAI_API_KEY, TELVORA_ELEVENLABS_API_KEY) holds a value reads it, any other
/// is read from `fallback`. Keys are taken from the environment, never from the command
/// line, where every user of the machine could read them. Saves and removals go to
/// `fallback`: the environment is the caller's to change.
class EnvironmentCredentials : public CredentialBackend
{
public:
    /// `fallback` must outlive this backend.
    explicit EnvironmentCredentials(CredentialBackend &fallback);

    /// The variable that holds the key of `account`.
    static QByteArray variable(KeychainAccount account);

    QCoro::Task<std::optional<QByteArray>> readData(KeychainAccount account) override;
    QCoro::Task<> writeData(KeychainAccount account, QByteArray data) override;
    QCoro::Task<> remove(KeychainAccount account) override;

private:
    CredentialBackend &m_fallback;
};

} // namespace telvora

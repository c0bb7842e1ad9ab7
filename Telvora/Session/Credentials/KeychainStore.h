#pragma once

#include "Telvora/Session/Credentials/CredentialBackend.h"

#include <QString>

namespace telvora {

/// The two provider API keys. An empty key and a missing one mean the same to every
/// caller: the provider is not configured.
class KeychainStore
{
public:
    static inline const QString openAIAccount = QStringLiteral("openai");
    static inline const QString elevenLabsAccount = QStringLiteral("elevenlabs");

    explicit KeychainStore(CredentialBackend &backend);

    /// The stored key, or the empty text when there is none or it cannot be read as UTF-8.
    /// Never fails.
    QString read(const QString &account) const;

    /// Stores `value` exactly as given; the empty text deletes the item. Throws KeychainError.
    void save(const QString &value, const QString &account) const;

private:
    CredentialBackend *m_backend;
};

} // namespace telvora

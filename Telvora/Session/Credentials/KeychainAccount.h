#pragma once

#include <QString>

namespace telvora {

/// The two provider keys the keychain holds.
enum class KeychainAccount { openAI, elevenLabs };

/// The item name a key is stored under; existing keyrings hold these names.
inline QString keychainAccountName(KeychainAccount account)
{
    switch (account) {
    case KeychainAccount::openAI:
        return QStringLiteral("openai");
    case KeychainAccount::elevenLabs:
        return QStringLiteral("elevenlabs");
    }
    Q_UNREACHABLE();
    return {};
}

} // namespace telvora

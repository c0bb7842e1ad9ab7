#pragma once

#include <QString>

namespace telvora {

/// The provider keys the program keeps.
enum class KeychainAccount { openAI, elevenLabs };

/// The item name of an account in the credential store.
inline QString accountName(KeychainAccount account)
{
    return account == KeychainAccount::openAI ? QStringLiteral("openai") : QStringLiteral("elevenlabs");
}

} // namespace telvora

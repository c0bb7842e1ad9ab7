#pragma once

#include "Telvora/Session/Credentials/KeychainMessages.h"
#include "TelvoraCore/Errors/Error.h"

namespace telvora {

/// The keyring is locked, unreachable or does not answer: a key may be stored, but it
/// cannot be read now.
class KeychainUnavailable : public TelvoraError
{
public:
    KeychainUnavailable()
        : TelvoraError(KeychainMessages::unavailable.toString())
    {}
};

} // namespace telvora

#pragma once

#include "TelvoraCore/Errors/Error.h"

namespace telvora {

/// The secret service refused to store or delete a key; code() is its status.
class KeychainError : public PlatformError
{
public:
    KeychainError(int code, QString description)
        : PlatformError(std::move(description))
        , m_code(code)
    {}

    int code() const noexcept { return m_code; }

private:
    int m_code;
};

} // namespace telvora

#pragma once

#include "TelvoraCore/Errors/Error.h"

namespace telvora {

/// An RTF document that cannot be read; the message describes what is wrong with it.
class RtfError : public PlatformError
{
public:
    using PlatformError::PlatformError;
};

} // namespace telvora

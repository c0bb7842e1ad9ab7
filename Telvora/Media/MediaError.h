#pragma once

#include "TelvoraCore/Errors/Error.h"

namespace telvora {

/// A failure of the media library (a file it cannot open or read), with its own description.
class MediaError : public PlatformError
{
public:
    using PlatformError::PlatformError;
};

/// A file FFmpeg opened but does not know as audio or video.
class NotMediaError : public MediaError
{
public:
    using MediaError::MediaError;
};

} // namespace telvora

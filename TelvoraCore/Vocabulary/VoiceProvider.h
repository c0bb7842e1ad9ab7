#pragma once

#include "TelvoraCore/Vocabulary/TitledEnumeration.h"

namespace telvora {

enum class VoiceProviderCase { elevenLabs, openAI };

/// The two speech providers.
class VoiceProvider : public TitledEnumeration<VoiceProvider, VoiceProviderCase, 2>
{
public:
    using enum VoiceProviderCase;
    using TitledEnumeration::TitledEnumeration;

    static constexpr std::array<QStringView, 2> titles{u"ElevenLabs", u"OpenAI"};
};

} // namespace telvora

#pragma once

#include <QStringView>

namespace telvora::SessionTexts {

inline constexpr QStringView noSource = u"Nenhum arquivo";
inline constexpr QStringView ready = u"Pronto";

// The OpenAI voice used when the stored speech model offers no voice at all, and the one
// a speech-model change falls back to when it no longer offers the chosen voice.
inline constexpr QStringView initialVoiceFallback = u"marin";
inline constexpr QStringView voiceFallback = u"coral";

} // namespace telvora::SessionTexts

#pragma once

#include <QStringView>

namespace telvora::SessionSettings {

/// A persisted setting: its key in the settings store and the value used when the key
/// is absent or does not hold text.
struct Entry
{
    QStringView key;
    QStringView fallback;
};

// Written through by Session on every assignment of the field.
inline constexpr Entry whisperModel{u"whisperModel", u"large-v3-turbo"};
inline constexpr Entry language{u"transcriptionLanguage", u"pt"};
inline constexpr Entry vocabulary{u"transcriptionVocabulary", u""};
inline constexpr Entry segmentationModel{u"segmentationModel", u""};
inline constexpr Entry embeddingModel{u"embeddingModel", u""};

// Written only when the settings window saves.
inline constexpr Entry textModel{u"textModel", u"gpt-5.4-mini"};
inline constexpr Entry narrationModel{u"narrationModel", u""};
inline constexpr Entry openAISpeechModel{u"openAISpeechModel", u"gpt-4o-mini-tts"};
inline constexpr Entry elevenModel{u"elevenModel", u"eleven_v4"};

} // namespace telvora::SessionSettings

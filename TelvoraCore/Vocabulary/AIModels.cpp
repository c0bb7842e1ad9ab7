#include "TelvoraCore/Vocabulary/AIModels.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora::AIModels {

const QStringList &whisper()
{
    static const QStringList models{u"large-v3-turbo"_s, u"large-v3"_s, u"medium"_s, u"small"_s, u"base"_s, u"tiny"_s};
    return models;
}

const QStringList &openAISpeech()
{
    static const QStringList models{u"gpt-4o-mini-tts"_s, u"gpt-4o-mini-tts-2025-12-15"_s, u"tts-1"_s, u"tts-1-hd"_s};
    return models;
}

const QStringList &elevenSpeech()
{
    static const QStringList models{u"eleven_v4"_s,         u"eleven_v4_turbo"_s,
                                    u"eleven_v3"_s,         u"eleven_multilingual_v2"_s,
                                    u"eleven_flash_v2_5"_s, u"eleven_turbo_v2_5"_s};
    return models;
}

bool legacySpeech(QStringView model)
{
    return model == u"tts-1" || model == u"tts-1-hd" || model.startsWith(u"tts-1-");
}

QList<Voice> voices(QStringView model)
{
    if (!legacySpeech(model))
        return Voice::openAI();
    static const QStringList legacy{u"alloy"_s, u"ash"_s,  u"coral"_s, u"echo"_s,   u"fable"_s,
                                    u"onyx"_s,  u"nova"_s, u"sage"_s,  u"shimmer"_s};
    QList<Voice> accepted;
    for (const Voice &voice : Voice::openAI()) {
        if (legacy.contains(voice.id))
            accepted.append(voice);
    }
    return accepted;
}

} // namespace telvora::AIModels

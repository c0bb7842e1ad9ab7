#include "TelvoraCore/Provider/OpenAIModels.h"

#include "TelvoraCore/Provider/NaturalOrder.h"

#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace telvora::OpenAIModels {

namespace {

// Models for audio, images, embeddings and the like cannot write documents.
const QStringList &exclusionWords()
{
    static const QStringList words{u"audio"_s,   u"realtime"_s, u"gpt-live"_s,  u"transcribe"_s,
                                   u"whisper"_s, u"tts"_s,      u"embedding"_s, u"moderation"_s,
                                   u"image"_s,   u"dall-e"_s,   u"sora"_s,      u"video"_s};
    return words;
}

bool usableForText(const QString &id)
{
    if (id.isEmpty())
        return false;
    const QString lower = id.toLower();
    return std::none_of(exclusionWords().cbegin(), exclusionWords().cend(),
                        [&](const QString &word) { return lower.contains(word); });
}

} // namespace

const QStringList &suggestions()
{
    static const QStringList models{u"gpt-6-astra"_s, u"gpt-6.1-sol"_s, u"gpt-6-luna"_s, u"gpt-5.4-mini"_s};
    return models;
}

QStringList textCandidates(const QStringList &ids)
{
    QSet<QString> kept;
    for (const QString &id : ids) {
        if (usableForText(id))
            kept.insert(id);
    }
    QStringList preferred;
    for (const QString &suggestion : suggestions()) {
        if (kept.remove(suggestion))
            preferred.append(suggestion);
    }
    QStringList remaining(kept.cbegin(), kept.cend());
    NaturalOrder::sort(remaining);
    return preferred + remaining;
}

} // namespace telvora::OpenAIModels

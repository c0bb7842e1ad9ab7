#include "TelvoraCore/Vocabulary/Voice.h"

#include <QHashFunctions>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

QJsonObject Voice::toJson() const { return QJsonObject{{u"id"_s, id}, {u"name"_s, name}}; }

std::optional<Voice> Voice::fromJson(const QJsonObject &object)
{
    const auto id = object.value(u"id"_s);
    const auto name = object.value(u"name"_s);
    if (!id.isString() || !name.isString())
        return std::nullopt;
    return Voice{id.toString(), name.toString()};
}

const QList<Voice> &Voice::openAI()
{
    static const QList<Voice> voices = [] {
        QList<Voice> list;
        for (const auto id : {u"marin", u"cedar", u"nova", u"coral", u"alloy", u"ash", u"ballad", u"echo", u"fable",
                              u"onyx", u"sage", u"shimmer", u"verse"}) {
            const QString identifier = QString::fromUtf16(id);
            list.append(Voice{identifier, identifier.left(1).toUpper() + identifier.mid(1)});
        }
        return list;
    }();
    return voices;
}

size_t qHash(const Voice &voice, size_t seed) noexcept { return qHashMulti(seed, voice.id, voice.name); }

} // namespace telvora

#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace telvora {

/// One selectable voice: the provider's identifier and a display name.
struct Voice
{
    QString id;
    QString name;

    friend bool operator==(const Voice &, const Voice &) = default;

    QJsonObject toJson() const;
    static std::optional<Voice> fromJson(const QJsonObject &object);

    /// The thirteen OpenAI speech voices, in the order the console offers them.
    static const QList<Voice> &openAI();
};

size_t qHash(const Voice &voice, size_t seed = 0) noexcept;

} // namespace telvora

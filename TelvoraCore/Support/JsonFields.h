#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringView>

namespace telvora {

/// Strict reading of the members of a JSON object: a missing member or one of the wrong
/// type throws JsonError naming the object and the key, in the user's language.
class JsonFields
{
public:
    /// `owner` completes "… a chave", e.g. "O segmento de índice 2 da transcrição não tem";
    /// `place` starts the wrong-type sentence, e.g. "No segmento de índice 2 da transcrição".
    JsonFields(const QJsonObject &object, QString owner, QString place);

    QString text(QStringView key) const;
    double number(QStringView key) const;
    bool flag(QStringView key) const;
    /// Any JSON number with a whole value that fits 64 bits.
    qint64 integer(QStringView key) const;

private:
    QJsonValue required(QStringView key) const;
    [[noreturn]] void wrongType(QStringView key, QStringView expected) const;

    const QJsonObject &m_object;
    QString m_owner;
    QString m_place;
};

} // namespace telvora

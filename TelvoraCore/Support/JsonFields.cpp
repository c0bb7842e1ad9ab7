#include "TelvoraCore/Support/JsonFields.h"

#include "TelvoraCore/Errors/Error.h"

#include <QJsonValue>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

JsonFields::JsonFields(const QJsonObject &object, QString owner, QString place)
    : m_object(object)
    , m_owner(std::move(owner))
    , m_place(std::move(place))
{}

QJsonValue JsonFields::required(QStringView key) const
{
    const auto found = m_object.constFind(key);
    if (found == m_object.constEnd())
        throw JsonError(u"%1 a chave \"%2\"."_s.arg(m_owner, key));
    return found.value();
}

void JsonFields::wrongType(QStringView key, QStringView expected) const
{
    throw JsonError(u"%1, a chave \"%2\" deve ser %3."_s.arg(m_place, key, expected));
}

QString JsonFields::text(QStringView key) const
{
    const QJsonValue value = required(key);
    if (!value.isString())
        wrongType(key, u"um texto");
    // The parser turns a lone "\ud800" into a lone surrogate, which is no text at all.
    QString text = value.toString();
    if (!QStringView(text).isValidUtf16())
        throw JsonError(
            u"%1, a chave \"%2\" tem um caractere incompleto (metade de um par UTF-16)."_s.arg(m_place, key));
    return text;
}

double JsonFields::number(QStringView key) const
{
    const QJsonValue value = required(key);
    if (!value.isDouble())
        wrongType(key, u"um número");
    return value.toDouble();
}

bool JsonFields::flag(QStringView key) const
{
    const QJsonValue value = required(key);
    if (!value.isBool())
        wrongType(key, u"true ou false");
    return value.toBool();
}

// The parser keeps no trace of how a number was written, so 2 and 2.0 read the same. The
// test goes through toInteger rather than a double, which would round 2^63 - 1 up to 2^63;
// a value toInteger cannot convert returns the given fallback, so two different fallbacks
// tell it apart from a genuine result.
qint64 JsonFields::integer(QStringView key) const
{
    const QJsonValue value = required(key);
    const qint64 number = value.toInteger(1);
    if (!value.isDouble() || number != value.toInteger(2))
        wrongType(key, u"um número inteiro");
    return number;
}

} // namespace telvora

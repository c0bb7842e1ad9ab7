#include "TelvoraCore/Support/Json.h"

#include "TelvoraCore/Errors/Error.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora::Json {

QJsonDocument parse(const QByteArray &bytes)
{
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw JsonError(u"JSON inválido (posição %1): %2"_s.arg(error.offset).arg(error.errorString()));
    return document;
}

} // namespace telvora::Json

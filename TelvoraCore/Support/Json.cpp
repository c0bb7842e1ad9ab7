#include "TelvoraCore/Support/Json.h"

#include "TelvoraCore/Errors/Error.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora::Json {

namespace {

// Qt's descriptions are English unless its translations are installed; the program's own
// words are the same in every mode.
QString described(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::UnterminatedObject:
        return u"um objeto não foi fechado"_s;
    case QJsonParseError::MissingNameSeparator:
        return u"falta o sinal de dois-pontos depois de um nome"_s;
    case QJsonParseError::UnterminatedArray:
        return u"uma lista não foi fechada"_s;
    case QJsonParseError::MissingValueSeparator:
        return u"falta uma vírgula entre dois valores"_s;
    case QJsonParseError::IllegalValue:
        return u"há um valor inválido"_s;
    case QJsonParseError::TerminationByNumber:
        return u"o texto termina no meio de um número"_s;
    case QJsonParseError::IllegalNumber:
        return u"há um número inválido"_s;
    case QJsonParseError::IllegalEscapeSequence:
        return u"há uma sequência de escape inválida"_s;
    case QJsonParseError::IllegalUTF8String:
        return u"o texto não está em UTF-8 válido"_s;
    case QJsonParseError::UnterminatedString:
        return u"um texto entre aspas não foi fechado"_s;
    case QJsonParseError::MissingObject:
        return u"era esperado um objeto ou uma lista"_s;
    case QJsonParseError::DeepNesting:
        return u"há níveis demais uns dentro dos outros"_s;
    case QJsonParseError::DocumentTooLarge:
        return u"o documento é grande demais"_s;
    case QJsonParseError::GarbageAtEnd:
        return u"há conteúdo depois do fim"_s;
    case QJsonParseError::NoError:
        break;
    }
    return u"o conteúdo não é JSON"_s;
}

} // namespace

QJsonDocument parse(const QByteArray &bytes)
{
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw JsonError(u"JSON inválido (posição %1): %2."_s.arg(error.offset).arg(described(error.error)));
    return document;
}

} // namespace telvora::Json

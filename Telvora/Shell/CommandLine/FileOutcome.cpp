#include "Telvora/Shell/CommandLine/FileOutcome.h"

#include "Telvora/Shell/CommandLine/CommandLineTexts.h"

#include <QJsonArray>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

QString FileOutcome::resultWord() const
{
    switch (result) {
    case Result::done:
        return CommandLineTexts::fileDone.toString();
    case Result::failed:
        return CommandLineTexts::fileFailed.toString();
    case Result::cancelled:
        return CommandLineTexts::fileCancelled.toString();
    case Result::notStarted:
        return CommandLineTexts::fileNotStarted.toString();
    }
    Q_UNREACHABLE();
    return {};
}

QJsonObject FileOutcome::json() const
{
    QJsonObject line{
        {u"arquivo"_s, file}, {u"resultado"_s, resultWord()}, {u"saidas"_s, QJsonArray::fromStringList(outputs)}};
    if (result == Result::failed)
        line.insert(u"erro"_s, error);
    return line;
}

} // namespace telvora

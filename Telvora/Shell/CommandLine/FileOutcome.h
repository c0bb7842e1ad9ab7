#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace telvora {

/// How one file of a batch ended, and what it left.
struct FileOutcome
{
    enum class Result { done, failed, cancelled, notStarted };

    QString file;
    Result result = Result::notStarted;
    QStringList outputs; ///< the files written, when done
    QString error;       ///< what went wrong, when failed

    /// The machine-readable line of "--json": {"arquivo", "resultado", "saidas", "erro"}.
    QJsonObject json() const;
    /// The word a person reads for the result: "pronto", "erro", "cancelado", "não iniciado".
    QString resultWord() const;
};

} // namespace telvora

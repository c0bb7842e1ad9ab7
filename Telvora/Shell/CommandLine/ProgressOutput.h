#pragma once

#include "Telvora/Shell/CommandLine/FileOutcome.h"

#include <QString>

#include <cstdio>
#include <memory>
#include <optional>

namespace telvora {

/// What a person reads while a batch runs: which file, its steps and how far the current
/// one got, each file's outcome and the summary. A terminal gets a redrawn bar, anything
/// else one plain line per step.
class ProgressOutput
{
public:
    struct Position
    {
        qsizetype index = 0; ///< from 0
        qsizetype count = 0;
        QString file;
    };

    /// A bar on a terminal, plain lines elsewhere.
    static std::unique_ptr<ProgressOutput> forStream(FILE *stream);

    explicit ProgressOutput(FILE *stream);
    virtual ~ProgressOutput() = default;

    virtual void started(const Position &position) = 0;
    /// A new step of the file ("Reconhecendo a fala…"); the progress of the last one ends.
    virtual void step(const QString &text) = 0;
    /// How far the current step got, from 0 to 1, and its time left once estimated.
    virtual void advanced(double fraction, std::optional<double> secondsLeft) = 0;
    virtual void finished(const FileOutcome &outcome) = 0;
    /// A line of its own, such as the summary's.
    virtual void line(const QString &text) = 0;

protected:
    /// "[2/5] entrevista.mp3"
    QString fileLabel() const;
    /// "[2/5] entrevista.mp3: pronto → /dados/entrevista.json"
    QString outcomeLine(const FileOutcome &outcome) const;
    void write(const QString &text) const;

    FILE *m_stream;
    Position m_position;
};

} // namespace telvora

#pragma once

#include "Telvora/Shell/CommandLine/ProgressOutput.h"

namespace telvora {

/// Progress for a terminal: one line per file, redrawn in place, with the step, a bar,
/// the percentage and the time left ("[2/5] entrevista.mp3 · Reconhecendo a fala…
/// ████████░░░░ 42 % · cerca de 3 min"); the file's outcome then takes the line's place.
class TerminalProgress : public ProgressOutput
{
public:
    using ProgressOutput::ProgressOutput;

    void started(const Position &position) override;
    void step(const QString &text) override;
    void advanced(double fraction, std::optional<double> secondsLeft) override;
    void finished(const FileOutcome &outcome) override;
    void line(const QString &text) override;

    /// The bar line for a terminal `columns` wide.
    static QString barLine(const QString &head, std::optional<double> fraction, std::optional<double> secondsLeft,
                           int columns);

private:
    void redraw();
    int columns() const;

    QString m_step;
    std::optional<double> m_fraction;
    std::optional<double> m_secondsLeft;
    QString m_shown;
};

} // namespace telvora

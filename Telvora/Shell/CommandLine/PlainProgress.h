#pragma once

#include "Telvora/Shell/CommandLine/ProgressOutput.h"

namespace telvora {

/// Progress for a pipe or a file: one line per step and per outcome, nothing redrawn.
class PlainProgress : public ProgressOutput
{
public:
    using ProgressOutput::ProgressOutput;

    void started(const Position &position) override;
    void step(const QString &text) override;
    void advanced(double, std::optional<double>) override {}
    void finished(const FileOutcome &outcome) override;
    void line(const QString &text) override;
};

} // namespace telvora

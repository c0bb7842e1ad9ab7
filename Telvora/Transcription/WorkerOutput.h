#pragma once

#include "Telvora/Transcription/TranscriptionProgress.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

namespace telvora {

/// Splits what the worker writes into its progress lines ("TELVORA-PROGRESS <stage>
/// <fraction>") and everything else, as the bytes arrive. Progress lines never reach the
/// collected output, so a failure's diagnostic is never drowned by them.
class WorkerOutput
{
public:
    explicit WorkerOutput(std::function<void(const TranscriptionProgress &)> onProgress);

    /// Takes the next bytes of the output, in any cut.
    void append(QByteArrayView bytes);
    /// Everything but the progress lines, once the output has ended.
    QByteArray finish();

    /// The progress a whole line (without its line break) reports; none when the line is not
    /// a well-formed progress line.
    static std::optional<TranscriptionProgress> parseLine(QByteArrayView line);
    /// Whether a line carries the progress mark: such a line is never part of the output.
    static bool isMarked(QByteArrayView line);

private:
    void takeLine(QByteArrayView line);

    std::function<void(const TranscriptionProgress &)> m_onProgress;
    QByteArray m_collected;
    QByteArray m_pending;
};

} // namespace telvora

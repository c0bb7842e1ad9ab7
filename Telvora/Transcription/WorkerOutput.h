#pragma once

#include "Telvora/Transcription/TranscriptionProgress.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

namespace telvora {

/// Splits what the worker writes into its progress lines ("TELVORA-PROGRESS <stage>
/// <fraction>") and everything else, as the bytes arrive. Progress lines never reach the
/// collected output, so a failure's diagnostic is never drowned by them. Only the end of
/// the output is kept, so a worker that prints without end cannot fill the memory.
class WorkerOutput
{
public:
    /// How much of the output's end is kept: far more than a failure message shows.
    static constexpr qsizetype keptBytes = 256 * 1024;
    /// Longer lines are not progress, whatever their start.
    static constexpr qsizetype longestProgressLine = 256;

    explicit WorkerOutput(std::function<void(const TranscriptionProgress &)> onProgress);

    /// Takes the next bytes of the output, in any cut.
    void append(QByteArrayView bytes);
    /// Everything but the progress lines, once the output has ended; of a longer output its
    /// last `keptBytes` or a little more, starting on a character.
    QByteArray finish();
    /// Whether everything the output held, kept or not, was UTF-8. Once finished.
    bool wasUtf8() const { return m_utf8; }
    /// The memory the output holds now.
    qsizetype heldBytes() const { return m_collected.capacity() + m_pending.capacity(); }

    /// The progress a whole line (without its line break) reports; none when the line is not
    /// a well-formed progress line.
    static std::optional<TranscriptionProgress> parseLine(QByteArrayView line);
    /// Whether a line carries the progress mark: such a line is never part of the output.
    static bool isMarked(QByteArrayView line);

private:
    // What the current line is known to be; while undecided it waits in m_pending.
    enum class Line { undecided, output, dropped };

    void takePiece(QByteArrayView piece, bool endsLine);
    void decidePending();
    void takeLine(QByteArrayView line);
    void keep(QByteArrayView bytes);

    std::function<void(const TranscriptionProgress &)> m_onProgress;
    QByteArray m_collected;
    QByteArray m_pending;
    Line m_line = Line::undecided;
    bool m_utf8 = true;
};

} // namespace telvora

#include "Telvora/Transcription/WorkerOutput.h"

#include <QList>
#include <QUtf8StringView>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace telvora {

namespace {

constexpr QByteArrayView mark = "TELVORA-PROGRESS";

struct StageName
{
    QByteArrayView name;
    TranscriptionProgress::Stage stage;
};

constexpr std::array stageNames{
    StageName{"decoding", TranscriptionProgress::Stage::decoding},
    StageName{"loading", TranscriptionProgress::Stage::loading},
    StageName{"recognition", TranscriptionProgress::Stage::recognition},
    StageName{"diarization", TranscriptionProgress::Stage::diarization},
};

} // namespace

WorkerOutput::WorkerOutput(std::function<void(const TranscriptionProgress &)> onProgress)
    : m_onProgress(std::move(onProgress))
{}

bool WorkerOutput::isMarked(QByteArrayView line)
{
    return line.startsWith(mark) && (line.size() == mark.size() || line.at(mark.size()) == ' ');
}

std::optional<TranscriptionProgress> WorkerOutput::parseLine(QByteArrayView line)
{
    if (!isMarked(line))
        return std::nullopt;
    if (line.endsWith('\r'))
        line.chop(1);
    const QList<QByteArray> words = line.toByteArray().split(' ');
    if (words.size() != 3)
        return std::nullopt;
    bool isNumber = false;
    const double fraction = words[2].toDouble(&isNumber);
    if (!isNumber || !std::isfinite(fraction) || fraction < 0 || fraction > 1)
        return std::nullopt;
    for (const StageName &known : stageNames)
        if (words[1] == known.name)
            return TranscriptionProgress{known.stage, fraction, std::nullopt};
    return std::nullopt;
}

void WorkerOutput::append(QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end + 1);
        takePiece(piece, end >= 0);
        bytes = bytes.sliced(piece.size());
    }
}

void WorkerOutput::takePiece(QByteArrayView piece, bool endsLine)
{
    if (m_line == Line::output) {
        keep(piece);
    } else if (m_line == Line::undecided && endsLine && m_pending.isEmpty()) {
        takeLine(piece);
    } else if (m_line == Line::undecided) {
        m_pending.append(piece);
        if (endsLine)
            takeLine(std::exchange(m_pending, {}));
        else
            decidePending();
    }
    if (endsLine)
        m_line = Line::undecided;
}

// A line is held back only while it may still be progress; one that cannot be goes on as
// output, and one too long for progress that carries the mark is dropped.
void WorkerOutput::decidePending()
{
    const qsizetype compared = std::min(m_pending.size(), mark.size());
    const bool unmarked = QByteArrayView(m_pending).first(compared) != mark.first(compared)
        || (m_pending.size() > mark.size() && m_pending.at(mark.size()) != ' ');
    if (unmarked) {
        keep(m_pending);
        m_pending.clear();
        m_line = Line::output;
    } else if (m_pending.size() > longestProgressLine) {
        m_pending.clear();
        m_line = Line::dropped;
    }
}

QByteArray WorkerOutput::finish()
{
    // A last line without its line break counts as a line too.
    if (!m_pending.isEmpty())
        takeLine(std::exchange(m_pending, {}));
    m_utf8 = m_utf8 && QUtf8StringView(m_collected).isValidUtf8();
    return std::exchange(m_collected, {});
}

void WorkerOutput::takeLine(QByteArrayView line)
{
    const QByteArrayView content = line.endsWith('\n') ? line.chopped(1) : line;
    if (!isMarked(content)) {
        keep(line);
        return;
    }
    const std::optional<TranscriptionProgress> progress = parseLine(content);
    if (progress && m_onProgress)
        m_onProgress(*progress);
}

void WorkerOutput::keep(QByteArrayView bytes)
{
    m_collected.append(bytes);
    if (m_collected.size() <= 2 * keptBytes)
        return;
    // Cut before a character's first byte, so that the dropped part and the kept part are
    // each UTF-8 exactly when the whole is.
    qsizetype cut = m_collected.size() - keptBytes;
    for (int step = 0; step < 3 && (m_collected.at(cut) & 0xC0) == 0x80; ++step)
        ++cut;
    m_utf8 = m_utf8 && QUtf8StringView(QByteArrayView(m_collected).first(cut)).isValidUtf8();
    m_collected.remove(0, cut);
}

} // namespace telvora

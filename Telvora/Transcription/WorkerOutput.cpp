#include "Telvora/Transcription/WorkerOutput.h"

#include <QList>

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
        if (end < 0) {
            m_pending.append(bytes);
            return;
        }
        if (m_pending.isEmpty()) {
            takeLine(bytes.first(end + 1));
        } else {
            m_pending.append(bytes.first(end + 1));
            takeLine(m_pending);
            m_pending.clear();
        }
        bytes = bytes.sliced(end + 1);
    }
}

QByteArray WorkerOutput::finish()
{
    // A last line without its line break counts as a line too.
    if (!m_pending.isEmpty())
        takeLine(std::exchange(m_pending, {}));
    return std::exchange(m_collected, {});
}

void WorkerOutput::takeLine(QByteArrayView line)
{
    const QByteArrayView content = line.endsWith('\n') ? line.chopped(1) : line;
    if (!isMarked(content)) {
        m_collected.append(line);
        return;
    }
    const std::optional<TranscriptionProgress> progress = parseLine(content);
    if (progress && m_onProgress)
        m_onProgress(*progress);
}

} // namespace telvora

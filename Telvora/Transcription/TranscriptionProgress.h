#pragma once

#include <functional>
#include <optional>

namespace telvora {

/// How far a transcription got: the stage it is in and the fraction of that stage done,
/// from 0 to 1. `secondsLeft` is the session's estimate for the rest of the stage, when it
/// has one; the transcription layer never sets it.
struct TranscriptionProgress
{
    enum class Stage { decoding, loading, recognition, diarization };

    Stage stage = Stage::decoding;
    double fraction = 0;
    std::optional<double> secondsLeft;

    friend bool operator==(const TranscriptionProgress &, const TranscriptionProgress &) = default;
};

/// Receives progress on the thread that started the transcription.
using ProgressCallback = std::function<void(const TranscriptionProgress &)>;

} // namespace telvora

#pragma once

#include <QStringList>

namespace telvora::LocalTranscriptionCheck {

/// The headless check "--verify-local-transcription <audio> <output> <model>": transcribes
/// the audio with the local engine, writes the transcript JSON atomically to the output,
/// prints one line on standard output and returns the exit status (0 on success, 1 on
/// any failure, with the output file untouched). `flagIndex` is the flag's position.
int run(const QStringList &arguments, qsizetype flagIndex);

} // namespace telvora::LocalTranscriptionCheck

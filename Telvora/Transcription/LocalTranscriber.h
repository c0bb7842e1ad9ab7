#pragma once

#include "Telvora/Transcription/TranscriptionProgress.h"
#include "TelvoraCore/Options/LocalTranscriptionOptions.h"
#include "TelvoraCore/Support/CancellationToken.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>

#include <optional>

/// The bridge to the local transcription runtime: a Python interpreter at
/// "bin/python3.13", else "bin/python3", in the runtime folder, and "worker.py" in the application bundle's
/// "TranscriptionRuntime" folder. One call transcribes one recording in a private work
/// folder of the temporary folder, which is gone when the call returns.
namespace telvora::LocalTranscriber {

/// $TELVORA_TRANSCRIPTION_RUNTIME when set, else $XDG_DATA_HOME/telvora/TranscriptionRuntime
/// (~/.local/share when XDG_DATA_HOME is unset or relative).
std::optional<QString> runtime();

/// The runtime's interpreter: "bin/python3.13" when it is an executable file, else
/// "bin/python3" when that one is; none otherwise.
std::optional<QString> interpreter();

/// True when the runtime has an interpreter.
bool isAvailable();

/// Decodes `source`'s first audio track into mono 16 kHz float samples, runs the worker on
/// them with `options` and returns the bytes of the transcript JSON it wrote. Called on
/// the GUI thread (the bundle lookup happens there); decoding and the worker run on the
/// transcription pool. Throws TelvoraError for missing options or engine and for a failed
/// worker, FileError for file problems, the decoder's errors, and Cancelled once `token`
/// is cancelled.
///
/// `onProgress` receives the progress of the decoding and of the worker's stages, on the
/// calling thread, while the call runs.
QCoro::Task<QByteArray> transcribe(QString source, LocalTranscriptionOptions options, CancellationToken token,
                                   ProgressCallback onProgress = {});

} // namespace telvora::LocalTranscriber

#pragma once

#include "Telvora/Transcription/TranscriptionProgress.h"
#include "TelvoraCore/Support/CancellationToken.h"

#include <QCoroTask>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace telvora::ProcessRunner {

using Environment = QMap<QString, QString>;

/// Runs `executable` with `arguments` (no shell) to its end and returns what it wrote on
/// standard output and standard error, interleaved on one pipe, as UTF-8 text (empty when
/// the bytes are not UTF-8).
///
/// The child sees exactly `environment` plus PYTHONUNBUFFERED=1; without one, the
/// program's own environment with a PATH that starts with the usual binary folders.
/// The blocking wait runs on the transcription pool; the coroutine resumes on its own
/// thread. Cancelling `token` before the start prevents the start, after it sends the
/// child SIGINT; either way the run then throws Cancelled once the child has exited.
/// A non-zero exit throws TelvoraError with the last 1800 characters of the output; a
/// child that cannot be started throws PlatformError.
///
/// Lines of the form "TELVORA-PROGRESS <stage> <fraction>" are progress, not output: they
/// are left out of the result and of the failure message, and the well-formed ones are
/// passed to `onProgress` on the coroutine's thread while the child runs, never after the
/// run ends (within a stage, steps under half a percent are coalesced).
QCoro::Task<QString> run(QString executable, QStringList arguments, std::optional<Environment> environment,
                         CancellationToken token, ProgressCallback onProgress = {});

/// The environment a run without one gets, before PYTHONUNBUFFERED is added.
Environment defaultEnvironment();

/// The failure message for a child that ended badly with `output`: the fixed first line
/// and the output's last 1800 user-perceived characters.
QString failureMessage(const QString &output);

} // namespace telvora::ProcessRunner

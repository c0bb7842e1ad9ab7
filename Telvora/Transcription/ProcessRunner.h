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
/// the bytes are not UTF-8). Of a longer output only the end is kept (WorkerOutput).
///
/// The child sees exactly `environment` plus PYTHONUNBUFFERED=1; without one, the
/// program's own environment with a PATH that starts with the usual binary folders.
/// The blocking wait runs on the transcription pool; the coroutine resumes on its own
/// thread. Cancelling `token` before the start prevents the start, after it sends the
/// child SIGINT; either way the run then throws Cancelled once the child has exited.
/// A non-zero exit throws TelvoraError with the last 1800 characters of the output (and
/// the signal, for a child killed by one); a child that cannot be started throws
/// PlatformError. The child runs in a process group of its own, which the cancel's
/// SIGINT reaches whole; a group still running some seconds after it is killed, and
/// whatever is left of the group when the child ends is killed too.
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
/// The same for a child that ended with the wait status `status`: one ended by a signal
/// gets a last line that names the signal.
QString failureMessage(const QString &output, int status);

} // namespace telvora::ProcessRunner

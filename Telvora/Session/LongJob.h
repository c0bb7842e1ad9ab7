#pragma once

#include "Telvora/Session/Job.h"

#include <QString>

#include <exception>

namespace telvora {

class Session;

/// The shape the long workflows (transcription, generation, narration, opening a file)
/// share: at most one runs, exactly while `busy`; every way out clears `busy` and the
/// progress, and a failure ends as "Cancelado", or as "Erro" with the message.
namespace LongJob {

/// Sets `busy`, the status line and clears the error, then starts `work` on `job`.
void start(Session &session, Job &job, const QString &status, const Job::Work &work);

/// The end of a long job, as start() arranges it; for work that set `busy` itself.
void finish(Session &session, const std::exception_ptr &failure);

/// Shows how a workflow ended by an error: "Cancelado", or "Erro" and the message.
void report(Session &session, const std::exception_ptr &failure);

} // namespace LongJob

} // namespace telvora

#include "Telvora/Session/LongJob.h"

#include "Telvora/Session/Session.h"
#include "Telvora/Session/SessionTexts.h"
#include "TelvoraCore/Errors/ErrorMessage.h"

namespace telvora::LongJob {

void start(Session &session, Job &job, const QString &status, const Job::Work &work)
{
    session.setBusy(true);
    session.setStatus(status);
    session.setErrorMessage(std::nullopt);
    job.start(work, [&session](std::exception_ptr failure) { finish(session, failure); });
}

void finish(Session &session, const std::exception_ptr &failure)
{
    session.setTranscriptionProgress(std::nullopt);
    if (failure)
        report(session, failure);
    session.setBusy(false);
}

void report(Session &session, const std::exception_ptr &failure)
{
    if (isCancellation(failure)) {
        session.setStatus(SessionTexts::cancelled.toString());
        return;
    }
    session.setStatus(SessionTexts::failed.toString());
    session.setErrorMessage(errorMessage(failure));
}

} // namespace telvora::LongJob

#include "Telvora/Session/Credentials/KeychainJobOutcome.h"

#include <QCoroTimer>
#include <QTimer>

namespace telvora {

QCoro::Task<KeychainJobOutcome> KeychainJobOutcome::of(QKeychain::Job *job, std::chrono::milliseconds guard)
{
    KeychainJobOutcome outcome;
    // The answer and the guard both end in this timer's timeout, so the frame resumes
    // once. Every connection belongs to the timer and dies with this frame: a job that
    // answers after its guard finds nobody listening.
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(job, &QKeychain::Job::finished, &timer, [&outcome, &timer](QKeychain::Job *done) {
        outcome.answered = true;
        outcome.error = done->error();
        outcome.description = done->errorString();
        if (const auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(done))
            outcome.data = read->binaryData();
        timer.start(0);
    });
    job->setAutoDelete(true);
    timer.start(guard);
    job->start();
    co_await timer;
    co_return outcome;
}

} // namespace telvora

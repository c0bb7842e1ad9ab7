#include "Telvora/Session/Job.h"

namespace telvora {

Job::Job()
    : m_owner(std::make_shared<Owner>(Owner{this}))
{}

Job::~Job()
{
    // From here on `run` finds no owner: the work ends on its own, reporting to nobody.
    m_owner.reset();
    cancel();
}

void Job::start(const Work &work, Finished finished)
{
    cancel();
    const quint64 serial = ++m_serial;
    m_running.emplace();
    m_running->serial = serial;
    QCoro::Task<> task = run(work(m_running->token), m_owner, serial, std::move(finished));
    // Dropping a Task while its coroutine runs is safe: QCoro frees the frame when it ends.
    if (m_running && m_running->serial == serial)
        m_running->task = std::move(task);
}

void Job::cancel() const
{
    if (m_running)
        m_running->token.cancel();
}

void Job::ended(quint64 serial)
{
    if (m_running && m_running->serial == serial)
        m_running.reset();
}

QCoro::Task<> Job::run(QCoro::Task<> work, std::weak_ptr<Owner> owner, quint64 serial, Finished finished)
{
    std::exception_ptr failure;
    try {
        co_await std::move(work);
    } catch (...) {
        failure = std::current_exception();
    }
    const std::shared_ptr<Owner> alive = owner.lock();
    if (!alive)
        co_return;
    // Work replaced by a later start() ends silently: only the latest reports.
    if (!alive->job->m_running || alive->job->m_running->serial != serial)
        co_return;
    alive->job->ended(serial);
    finished(failure);
}

} // namespace telvora

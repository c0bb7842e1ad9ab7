#include "TelvoraCore/Support/CancellationToken.h"

#include "TelvoraCore/Errors/Error.h"

#include <QTimer>

namespace telvora {

CancellationToken::CancellationToken()
    : d(std::make_shared<State>())
{}

void CancellationToken::cancel() const
{
    if (d->cancelled.exchange(true))
        return;
    Q_EMIT d->cancelRequested();
}

bool CancellationToken::isCancelled() const noexcept { return d->cancelled.load(); }

void CancellationToken::throwIfCancelled() const
{
    if (isCancelled())
        throw Cancelled();
}

QMetaObject::Connection CancellationToken::onCancel(const QObject *context, std::function<void()> callback) const
{
    if (isCancelled()) {
        QTimer::singleShot(0, context, callback);
        return {};
    }
    // Queued, so that whoever cancels finishes its own step ("Cancelando…") before the job
    // wakes up and reports the outcome.
    return QObject::connect(d.get(), &State::cancelRequested, context, std::move(callback), Qt::QueuedConnection);
}

} // namespace telvora

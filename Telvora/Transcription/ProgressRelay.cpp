#include "Telvora/Transcription/ProgressRelay.h"

#include <QCoreApplication>
#include <QEvent>

#include <mutex>
#include <utility>
#include <vector>

namespace telvora {

namespace {

constexpr double smallestStep = 0.005;

} // namespace

struct ProgressRelay::Shared
{
    std::mutex lock;
    // Lives in the relay's thread; null once the relay is gone. Posting happens under the
    // lock, so it never targets an object being destroyed.
    QObject *context = nullptr;
    ProgressCallback callback;
    std::optional<TranscriptionProgress> last;
    // The reports travel through this list under the lock, not inside Qt's event, so the
    // hand-over between the threads is one ThreadSanitizer can see.
    std::vector<TranscriptionProgress> pending;

    void post(const TranscriptionProgress &progress)
    {
        const std::lock_guard guard(lock);
        if (!context || !callback || !worthPosting(progress))
            return;
        last = progress;
        pending.push_back(progress);
        if (pending.size() == 1)
            QCoreApplication::postEvent(context, new QEvent(QEvent::User));
    }

    // Each call is made only while the relay exists: a callback may end it.
    void deliver()
    {
        std::vector<TranscriptionProgress> reports;
        {
            const std::lock_guard guard(lock);
            reports.swap(pending);
        }
        for (const TranscriptionProgress &progress : reports) {
            ProgressCallback call;
            {
                const std::lock_guard guard(lock);
                if (!context)
                    return;
                call = callback;
            }
            call(progress);
        }
    }

    bool worthPosting(const TranscriptionProgress &progress) const
    {
        if (!last || last->stage != progress.stage)
            return true;
        if (progress.fraction <= last->fraction)
            return false;
        return progress.fraction - last->fraction >= smallestStep || progress.fraction >= 1;
    }
};

// Hands what was posted to the relay's thread; destroying it drops a delivery not yet made.
class ProgressRelay::Delivery : public QObject
{
public:
    explicit Delivery(std::shared_ptr<Shared> shared)
        : m_shared(std::move(shared))
    {}

    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        // A callback may destroy this object; the shared state outlives the delivery.
        const std::shared_ptr<Shared> shared = m_shared;
        shared->deliver();
        return true;
    }

private:
    std::shared_ptr<Shared> m_shared;
};

ProgressRelay::ProgressRelay(ProgressCallback callback)
    : m_shared(std::make_shared<Shared>())
    , m_context(std::make_unique<Delivery>(m_shared))
{
    m_shared->context = m_context.get();
    m_shared->callback = std::move(callback);
}

ProgressRelay::~ProgressRelay()
{
    {
        const std::lock_guard guard(m_shared->lock);
        m_shared->context = nullptr;
    }
    // Destroying the context then drops the delivery that has not run yet.
}

ProgressCallback ProgressRelay::poster() const
{
    return [shared = m_shared](const TranscriptionProgress &progress) { shared->post(progress); };
}

} // namespace telvora

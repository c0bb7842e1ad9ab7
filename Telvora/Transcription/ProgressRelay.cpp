#include "Telvora/Transcription/ProgressRelay.h"

#include <mutex>
#include <utility>

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

    void post(const TranscriptionProgress &progress)
    {
        const std::lock_guard guard(lock);
        if (!context || !callback || !worthPosting(progress))
            return;
        last = progress;
        QMetaObject::invokeMethod(
            context, [callback = callback, progress] { callback(progress); }, Qt::QueuedConnection);
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

ProgressRelay::ProgressRelay(ProgressCallback callback)
    : m_shared(std::make_shared<Shared>())
    , m_context(std::make_unique<QObject>())
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
    // Destroying the context then drops the posts that have not run yet.
}

ProgressCallback ProgressRelay::poster() const
{
    return [shared = m_shared](const TranscriptionProgress &progress) { shared->post(progress); };
}

} // namespace telvora

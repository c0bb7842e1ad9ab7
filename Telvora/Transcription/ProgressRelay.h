#pragma once

#include "Telvora/Transcription/TranscriptionProgress.h"

#include <QObject>

#include <memory>

namespace telvora {

/// Carries progress from the transcription pool to the thread that made the relay (the
/// GUI thread for the session). post() may be called from any thread; the callback runs
/// later in the relay's thread, from its event loop, in the order of the posts, and never
/// once the relay is gone. Within a stage, a post is passed on only when the fraction
/// moved by half a percent or reached the end, so a decoder reporting every buffer costs
/// the event loop a few hundred calls at most.
class ProgressRelay
{
public:
    explicit ProgressRelay(ProgressCallback callback);
    ~ProgressRelay();
    ProgressRelay(const ProgressRelay &) = delete;
    ProgressRelay &operator=(const ProgressRelay &) = delete;

    /// A function that posts to this relay, for the work that runs elsewhere. It stays safe
    /// to call after the relay is gone (it then does nothing).
    ProgressCallback poster() const;

private:
    struct Shared;
    class Delivery;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<QObject> m_context;
};

} // namespace telvora

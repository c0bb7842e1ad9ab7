#pragma once

#include "Telvora/Session/Job.h"
#include "Telvora/Session/ProgressEstimator.h"
#include "Telvora/Transcription/TranscriptionProgress.h"
#include "TelvoraCore/Options/LocalTranscriptionOptions.h"

#include <QObject>
#include <QUrl>

#include <functional>

namespace telvora {

class Session;
class Settings;

/// The opened recording becomes the source text, through the local engine; the progress it
/// reports is shown with the time left in its stage.
class TranscriptionWorkflow : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<ProgressEstimator::Clock::time_point()>;

    TranscriptionWorkflow(Session &session, Settings &settings, QObject *parent = nullptr);

    /// Whether there is a recording to transcribe: not busy, a source that is no text file
    /// (a transcript opened with its recording beside it is played, never transcribed), and
    /// a player for it or no text yet.
    bool canTranscribe() const;
    /// Starts turning the opened recording into the source text.
    void transcribe();
    void cancel();

    /// The eight settings sent with a transcription. Assigning sets them one by one, in the
    /// record's order (so the persisted ones are written).
    LocalTranscriptionOptions options() const;
    void setOptions(const LocalTranscriptionOptions &options);

    /// The time the progress estimate reads; tests give a clock of their own.
    void setClock(Clock clock) { m_clock = std::move(clock); }

Q_SIGNALS:
    /// A transcript is ready to be read.
    void documentReady();

private:
    struct Request
    {
        QUrl source;
        LocalTranscriptionOptions options;
        QString text;
        bool timecodes;
    };
    QCoro::Task<> transcription(Request request, CancellationToken token);
    ProgressCallback progressReceiver(const CancellationToken &token);

    Session &m_session;
    Settings &m_settings;
    ProgressEstimator m_estimator;
    Clock m_clock = ProgressEstimator::Clock::now;
    Job m_job;
};

} // namespace telvora

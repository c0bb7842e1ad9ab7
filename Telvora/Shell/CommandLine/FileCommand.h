#pragma once

#include "Telvora/Session/ProgressEstimator.h"
#include "Telvora/Shell/CommandLine/CommandLineRequest.h"
#include "TelvoraCore/Support/CancellationToken.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include <QCoroTask>
#include <QStringList>

#include <utility>

namespace telvora {

class ProgressOutput;
class Workflows;

/// What a command does to one file of the batch, through the program's own workflows:
/// the local transcription, the editorial generation, the narration with its speech cache.
/// Results are written atomically, only once everything they need is done, so a failed or
/// cancelled file leaves nothing behind.
class FileCommand
{
public:
    /// All three must outlive the command.
    FileCommand(const CommandLineRequest &request, Workflows &workflows, ProgressOutput &output);

    /// Gives the session the request's choices (timecodes, provider, voice, models), none of
    /// them saved. Throws UsageError for a voice the speech model does not offer.
    void prepare();

    /// The files a run on `file` may write, for telling apart two sources that would write
    /// the same result.
    QStringList plannedOutputs(const QString &file) const;

    /// Runs the command on `file`; answers the files written. Throws what failed, and
    /// Cancelled once `token` is cancelled.
    QCoro::Task<QStringList> run(QString file, CancellationToken token);

private:
    struct Transcription
    {
        QByteArray json;
        Transcript::Decoded decoded;
    };

    QCoro::Task<QStringList> transcribe(QString file, CancellationToken token);
    QCoro::Task<QStringList> generate(QString file, CancellationToken token);
    QCoro::Task<QStringList> narrate(QString file, CancellationToken token);

    QCoro::Task<Transcription> transcription(QString file, CancellationToken token);
    Transcription rendered(const QByteArray &json) const;
    QList<std::pair<QString, QByteArray>> transcriptResults(const QString &file, const Transcription &transcript) const;
    QCoro::Task<QString> sourceText(QString file, CancellationToken token);
    QCoro::Task<QString> readDocument(QString file, CancellationToken token);
    ProgressCallback transcriptionProgress(const CancellationToken &token);

    void prepareNarration();
    void checkOpenAIVoice(const QString &voice) const;

    /// Beside the source, or the output folder.
    QString resultFolder(const QString &file) const;
    /// The result's path without its extension.
    QString resultBase(const QString &file) const;
    QString documentPath(const QString &file) const;

    const CommandLineRequest &m_request;
    Workflows &m_workflows;
    ProgressOutput &m_output;
    ProgressEstimator m_estimator;
};

} // namespace telvora

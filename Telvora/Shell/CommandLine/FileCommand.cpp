#include "Telvora/Shell/CommandLine/FileCommand.h"

#include "Telvora/Document/OdtWriter.h"
#include "Telvora/Document/RtfWriter.h"
#include "Telvora/Interface/Console/StatusLine.h"
#include "Telvora/Session/AtomicFile.h"
#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Session/Workflows.h"
#include "Telvora/Shell/CommandLine/CommandLineTexts.h"
#include "Telvora/Shell/CommandLine/ProgressOutput.h"
#include "Telvora/Transcription/LocalTranscriber.h"
#include "TelvoraCore/Transcript/Subtitles.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

namespace Texts = CommandLineTexts;
using Command = CommandLineRequest::Command;

// The narration's parts are one stage of their own for the time estimate.
constexpr int narrationStage = 100;

QString stageText(TranscriptionProgress::Stage stage)
{
    switch (stage) {
    case TranscriptionProgress::Stage::decoding:
        return Texts::decoding.toString();
    case TranscriptionProgress::Stage::loading:
        return Texts::loading.toString();
    case TranscriptionProgress::Stage::recognition:
        return Texts::recognition.toString();
    case TranscriptionProgress::Stage::diarization:
        return Texts::diarization.toString();
    }
    Q_UNREACHABLE();
    return {};
}

QByteArray transcriptBytes(const Transcript::Decoded &transcript, QStringView format)
{
    if (format == u"srt")
        return Subtitles::subRip(Subtitles::cues(transcript.segments));
    if (format == u"vtt")
        return Subtitles::webVtt(Subtitles::cues(transcript.segments));
    return transcript.text.toUtf8();
}

QByteArray documentBytes(const QString &document, QStringView format)
{
    if (format == u"rtf")
        return RtfWriter::write(document);
    if (format == u"odt")
        return OdtWriter::write(document);
    return document.toUtf8();
}

// Each result is whole or absent; the ones before a failed write stay, as complete files.
QStringList writeAll(const QList<std::pair<QString, QByteArray>> &results)
{
    QStringList written;
    for (const auto &[path, bytes] : results) {
        AtomicFile::write(path, bytes);
        written.append(path);
    }
    return written;
}

QStringList writeOne(const QString &path, const QByteArray &bytes)
{
    AtomicFile::write(path, bytes);
    return {path};
}

// Shows a narration's steps and parts while it runs; when it ends, whichever way, its
// folder goes with it (the result is a copy).
class NarrationFollower
{
public:
    NarrationFollower(Workflows &workflows, ProgressOutput &output, ProgressEstimator &estimator)
        : m_narration(workflows.narration())
    {
        estimator.reset();
        Session &session = workflows.session();
        m_connections.append(
            QObject::connect(&session, &Session::statusChanged, &session, [this, &output](const QString &status) {
                if (!StatusLine::followsProgress(status))
                    return;
                output.step(status);
                if (m_fraction)
                    output.advanced(*m_fraction, std::nullopt);
            }));
        m_connections.append(QObject::connect(
            &m_narration, &NarrationWorkflow::speechProgress, &session,
            [this, &output, &estimator](qsizetype done, qsizetype parts) {
                m_fraction = double(done) / double(parts);
                output.advanced(*m_fraction,
                                estimator.secondsLeft(narrationStage, *m_fraction, ProgressEstimator::Clock::now()));
            }));
    }
    NarrationFollower(const NarrationFollower &) = delete;
    NarrationFollower &operator=(const NarrationFollower &) = delete;
    ~NarrationFollower()
    {
        for (const QMetaObject::Connection &connection : std::as_const(m_connections))
            QObject::disconnect(connection);
        m_narration.discardVoice();
    }

private:
    NarrationWorkflow &m_narration;
    QList<QMetaObject::Connection> m_connections;
    std::optional<double> m_fraction;
};

} // namespace

FileCommand::FileCommand(const CommandLineRequest &request, Workflows &workflows, ProgressOutput &output)
    : m_request(request)
    , m_workflows(workflows)
    , m_output(output)
{}

void FileCommand::prepare()
{
    m_workflows.session().setTimecodes(m_request.timecodes);
    if (m_request.command == Command::narrate)
        prepareNarration();
}

void FileCommand::prepareNarration()
{
    Session &session = m_workflows.session();
    Settings &settings = m_workflows.settings();
    // The speech model first: assigning it may fall back to a voice it offers.
    const bool openAI = m_request.provider == VoiceProvider::openAI;
    if (m_request.speechModel && openAI)
        settings.setOpenAISpeechModel(*m_request.speechModel);
    if (m_request.speechModel && !openAI)
        settings.setElevenModel(*m_request.speechModel);
    if (m_request.scriptModel)
        settings.setNarrationModel(*m_request.scriptModel);
    session.setProvider(m_request.provider);
    if (!m_request.voice)
        return;
    if (openAI)
        checkOpenAIVoice(*m_request.voice);
    session.setVoiceID(*m_request.voice);
}

void FileCommand::checkOpenAIVoice(const QString &voice) const
{
    const QString model = m_workflows.settings().openAISpeechModel();
    const QList<Voice> offered = AIModels::voices(model);
    QStringList ids;
    for (const Voice &each : offered)
        ids.append(each.id);
    // A model the catalogue does not know may take any voice: the provider will say.
    if (!ids.isEmpty() && !ids.contains(voice))
        throw UsageError(Texts::voiceNotOffered.toString().arg(model, voice, ids.join(u", "_s)));
}

QString FileCommand::resultFolder(const QString &file) const
{
    return m_request.outputFolder.isEmpty() ? QFileInfo(file).absolutePath() : m_request.outputFolder;
}

QString FileCommand::resultBase(const QString &file) const
{
    return QDir(resultFolder(file)).filePath(QFileInfo(file).completeBaseName());
}

// The name the reader's export proposes: "entrevista.mp3" gives "entrevista-mp3-resumo".
QString FileCommand::documentPath(const QString &file) const
{
    QString name = QFileInfo(file).fileName();
    name.replace(u'.', u'-');
    return QDir(resultFolder(file))
        .filePath(name + u'-' + m_request.kind.rawValue().toLower() + u'.' + m_request.documentFormat);
}

QStringList FileCommand::plannedOutputs(const QString &file) const
{
    const QString base = resultBase(file);
    switch (m_request.command) {
    case Command::transcribe: {
        QStringList paths{base + u".json"_s};
        for (const QString &format : m_request.transcriptFormats)
            paths.append(base + u'.' + format);
        return paths;
    }
    case Command::generate:
        return {documentPath(file)};
    case Command::narrate:
        return {base + u".m4a"_s, base + u".mp3"_s};
    }
    Q_UNREACHABLE();
    return {};
}

QCoro::Task<QStringList> FileCommand::run(QString file, CancellationToken token)
{
    switch (m_request.command) {
    case Command::transcribe:
        return transcribe(std::move(file), std::move(token));
    case Command::generate:
        return generate(std::move(file), std::move(token));
    case Command::narrate:
        return narrate(std::move(file), std::move(token));
    }
    Q_UNREACHABLE();
    return transcribe(std::move(file), std::move(token));
}

ProgressCallback FileCommand::transcriptionProgress(const CancellationToken &token)
{
    m_estimator.reset();
    auto stage = std::make_shared<std::optional<TranscriptionProgress::Stage>>();
    return [this, token, stage](const TranscriptionProgress &reported) {
        if (token.isCancelled())
            return;
        if (*stage != reported.stage) {
            *stage = reported.stage;
            m_output.step(stageText(reported.stage));
        }
        const TranscriptionProgress progress = m_estimator.estimate(reported, ProgressEstimator::Clock::now());
        m_output.advanced(progress.fraction, progress.secondsLeft);
    };
}

FileCommand::Transcription FileCommand::rendered(const QByteArray &json) const
{
    return {json, Transcript::decode(json, m_request.timecodes)};
}

QCoro::Task<FileCommand::Transcription> FileCommand::transcription(QString file, CancellationToken token)
{
    const LocalTranscriptionOptions options = m_request.transcription.appliedTo(m_workflows.transcription().options());
    m_output.step(SessionTexts::transcribingPrefix.toString() + options.model
                  + SessionTexts::transcribingSuffix.toString());
    QCoro::Task<QByteArray> work = LocalTranscriber::transcribe(file, options, token, transcriptionProgress(token));
    const QByteArray bytes = co_await std::move(work);
    co_return rendered(bytes);
}

QList<std::pair<QString, QByteArray>> FileCommand::transcriptResults(const QString &file,
                                                                     const Transcription &transcript) const
{
    const QString base = resultBase(file);
    QList<std::pair<QString, QByteArray>> results{{base + u".json"_s, transcript.json}};
    for (const QString &format : m_request.transcriptFormats)
        results.append({base + u'.' + format, transcriptBytes(transcript.decoded, format)});
    return results;
}

QCoro::Task<QStringList> FileCommand::transcribe(QString file, CancellationToken token)
{
    QCoro::Task<Transcription> work = transcription(file, token);
    const Transcription transcript = co_await std::move(work);
    co_return writeAll(transcriptResults(file, transcript));
}

// A document is read as the program opens it; its failures are the ones the program shows.
QCoro::Task<QString> FileCommand::readDocument(QString file, CancellationToken token)
{
    m_output.step(Texts::reading.toString());
    Session &session = m_workflows.session();
    session.setErrorMessage(std::nullopt);
    QCoro::Task<> opening = m_workflows.document().importFile(QUrl::fromLocalFile(file));
    co_await std::move(opening);
    token.throwIfCancelled();
    if (session.errorMessage())
        throw TelvoraError(*session.errorMessage());
    co_return session.sourceText();
}

QCoro::Task<QString> FileCommand::sourceText(QString file, CancellationToken token)
{
    if (DocumentWorkflow::isTextFile(file)) {
        QCoro::Task<QString> reading = readDocument(file, token);
        co_return co_await std::move(reading);
    }
    QCoro::Task<Transcription> work = transcription(file, token);
    const Transcription transcript = co_await std::move(work);
    co_return transcript.decoded.text;
}

QCoro::Task<QStringList> FileCommand::generate(QString file, CancellationToken token)
{
    QCoro::Task<QString> reading = sourceText(file, token);
    const QString source = co_await std::move(reading);
    if (source.trimmed().isEmpty())
        throw TelvoraError(Texts::nothingToGenerateFrom.toString());
    const OutputKind kind = m_request.kind;
    m_output.step(SessionTexts::generatingPrefix.toString() + kind.rawValue().toLower()
                  + SessionTexts::generatingSuffix.toString());
    QCoro::Task<QString> keyReading = Job::checked(token, m_workflows.keychain().read(KeychainAccount::openAI));
    const QString key = co_await std::move(keyReading);
    const QString model = m_request.textModel.value_or(m_workflows.settings().textModel());
    const ProviderClient client = m_workflows.providers().client(token);
    QCoro::Task<QString> request = client.generateEditorial(source, kind, m_request.length, key, model);
    const QString answer = co_await std::move(request);
    token.throwIfCancelled();
    const QString document = GenerationWorkflow::documentText(kind, answer);
    co_return writeOne(documentPath(file), documentBytes(document, m_request.documentFormat));
}

QCoro::Task<QStringList> FileCommand::narrate(QString file, CancellationToken token)
{
    if (!DocumentWorkflow::isTextFile(file))
        throw TelvoraError(Texts::notADocument.toString());
    QCoro::Task<QString> reading = readDocument(file, token);
    const QString document = co_await std::move(reading);
    if (document.trimmed().isEmpty())
        throw TelvoraError(Texts::nothingToNarrate.toString());

    Session &session = m_workflows.session();
    const NarrationFollower follower(m_workflows, m_output, m_estimator);
    session.setOutputText(document);
    QCoro::Task<> speech = m_workflows.narration().synthesize(false, token);
    co_await std::move(speech);
    const QString audio = session.narrationAudio().toLocalFile();
    co_return writeOne(resultBase(file) + u'.' + QFileInfo(audio).suffix(), AtomicFile::read(audio));
}

} // namespace telvora

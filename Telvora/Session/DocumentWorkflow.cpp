#include "Telvora/Session/DocumentWorkflow.h"

#include "Telvora/Document/OdtWriter.h"
#include "Telvora/Document/RtfReader.h"
#include "Telvora/Document/RtfWriter.h"
#include "Telvora/Media/OffThread.h"
#include "Telvora/Session/AtomicFile.h"
#include "Telvora/Session/ExampleDocument.h"
#include "Telvora/Session/FileTypes.h"
#include "Telvora/Session/LongJob.h"
#include "Telvora/Session/NarrationWorkflow.h"
#include "Telvora/Session/Playback.h"
#include "Telvora/Session/RecordingBeside.h"
#include "Telvora/Session/Session.h"
#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Session/SourceFile.h"
#include "Telvora/Session/UserPrompts.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Transcript/Subtitles.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QThreadPool>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

// UTF-8 first; then UTF-16 (a byte-order mark decides the order, little-endian without one).
// Qt's UTF-16 decoder passes unpaired surrogates through without an error, so the result
// is checked: bytes that pair up into no valid UTF-16 are not UTF-16 text.
QString decodeText(const QByteArray &bytes)
{
    if (QUtf8StringView(bytes).isValidUtf8())
        return QString::fromUtf8(bytes);
    QStringDecoder utf16(QStringDecoder::Utf16);
    QString text = utf16.decode(bytes);
    if (bytes.size() % 2 == 0 && !utf16.hasError() && QStringView(text).isValidUtf16())
        return text;
    throw TelvoraError(SessionTexts::unreadableText.toString());
}

// The file's bytes for the extension the user chose; subtitles only when there are segments.
QByteArray exportedBytes(const QString &text, QStringView extension,
                         const std::optional<QList<TranscriptSegment>> &subtitles)
{
    if (extension == u"rtf")
        return RtfWriter::write(text);
    if (extension == u"odt")
        return OdtWriter::write(text);
    if (subtitles && extension == u"srt")
        return Subtitles::subRip(Subtitles::cues(*subtitles));
    if (subtitles && extension == u"vtt")
        return Subtitles::webVtt(Subtitles::cues(*subtitles));
    if (subtitles && extension == u"json")
        return Transcript::encode(*subtitles);
    return text.toUtf8();
}

QCoro::Task<> untilFinished(QFuture<void> future) { co_await future; }

} // namespace

DocumentWorkflow::DocumentWorkflow(Session &session, UserPrompts &prompts, Playback &playback,
                                   NarrationWorkflow &narration, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_prompts(prompts)
    , m_playback(playback)
    , m_narration(narration)
{}

DocumentWorkflow::OpenedText DocumentWorkflow::readSourceFile(const QString &path, const QString &extension,
                                                              bool timecodes)
{
    const QByteArray bytes = SourceFile::readText(path);
    if (extension == u"json") {
        const auto transcript = Transcript::decode(bytes, timecodes);
        SourceFile::checkSegmentCount(transcript.segments.size());
        // A transcript saved beside its recording resumes with the recording ready to play.
        std::optional<QString> recording = transcript.segments.isEmpty() ? std::nullopt : RecordingBeside::of(path);
        return {transcript.text, transcript.speakers, transcript.segments, std::move(recording)};
    }
    if (extension == u"rtf")
        return {RtfReader::read(bytes), 0, {}, std::nullopt};
    return {decodeText(bytes), 0, {}, std::nullopt};
}

// A plain function: the work's lambda is made outside any coroutine body (GCC 12).
QCoro::Task<DocumentWorkflow::OpenedText> DocumentWorkflow::readOffThread(const QString &path, bool timecodes)
{
    return offThread(QThreadPool::globalInstance(),
                     [path, timecodes] { return readSourceFile(path, QFileInfo(path).suffix().toLower(), timecodes); });
}

bool DocumentWorkflow::confirmReplacement()
{
    if (m_session.busy()) {
        m_session.setErrorMessage(SessionTexts::busyOpening.toString());
        return false;
    }
    if (!m_session.hasUnsavedChanges())
        return true;
    const UserPrompts::Alert alert{SessionTexts::unsavedMessage.toString(),
                                   SessionTexts::unsavedInformative.toString(),
                                   {SessionTexts::unsavedCancel.toString(), SessionTexts::unsavedDiscard.toString(),
                                    SessionTexts::unsavedExport.toString()}};
    const std::optional<qsizetype> answer = m_prompts.ask(alert);
    if (answer == 1)
        return true;
    if (answer == 2)
        exportText();
    return false;
}

QCoro::Task<> DocumentWorkflow::openFile()
{
    if (!confirmReplacement())
        co_return;
    const UserPrompts::OpenDialog dialog{SessionTexts::openDialogMessage.toString(),
                                         {UserPrompts::FileType::text, UserPrompts::FileType::audio,
                                          UserPrompts::FileType::movie, UserPrompts::FileType::rtf,
                                          UserPrompts::FileType::json}};
    const std::optional<QString> path = m_prompts.chooseFileToOpen(dialog);
    if (!path || path->isEmpty())
        co_return;
    QCoro::Task<> opening = importFile(QUrl::fromLocalFile(*path));
    co_await std::move(opening);
}

bool DocumentWorkflow::isTextFile(const QString &path)
{
    // What the open dialog offers as texts: plain texts, subtitles, RTF and transcripts.
    static const QStringList textExtensions = FileTypes::extensions(UserPrompts::FileType::text);
    return textExtensions.contains(QFileInfo(path).suffix().toLower());
}

QCoro::Task<> DocumentWorkflow::importFile(const QUrl &url)
{
    // Whoever holds the promise last finishes it, however the open ended.
    auto ended = std::make_shared<QPromise<void>>();
    ended->start();
    const QFuture<void> future = ended->future();
    const Job::Work work = [this, url, ended](CancellationToken token) { return open(url, token, ended); };
    // The window asks first (confirmReplacement); a direct open beside another long job
    // leaves `busy` to that job and tells only a failure.
    m_openingOwnsBusy = !m_session.busy() || (m_opening.isRunning() && m_openingOwnsBusy);
    if (m_openingOwnsBusy)
        LongJob::start(m_session, m_opening, SessionTexts::opening.toString(), work);
    else
        m_opening.start(work, [this](const std::exception_ptr &failure) {
            if (failure)
                LongJob::report(m_session, failure);
        });
    return untilFinished(future);
}

// `ended` is held to the end of the open, and finished when let go.
QCoro::Task<> DocumentWorkflow::open(QUrl url, CancellationToken token,
                                     [[maybe_unused]] std::shared_ptr<QPromise<void>> ended)
{
    const QString path = url.toLocalFile();
    // Before anything reads it: a FIFO or a device would block the reading for good.
    SourceFile::checkRegular(path);
    const bool isText = isTextFile(path);
    OpenedText opened;
    if (isText) {
        QCoro::Task<OpenedText> reading = Job::checked(token, readOffThread(path, m_session.timecodes()));
        opened = co_await std::move(reading);
    }
    apply(url, opened, isText);
}

void DocumentWorkflow::apply(const QUrl &url, const OpenedText &opened, bool isText)
{
    dropAudio();
    m_session.setSourceURL(url);
    m_session.setSourceName(QFileInfo(url.toLocalFile()).fileName());
    m_session.setIsExample(false);
    m_session.setSourceText(opened.text);
    m_session.setOutputText(QString());
    m_session.markSaved();
    m_session.setTranscriptSegments(opened.segments);
    m_session.setDetectedSpeakers(opened.speakers);
    m_session.setReaderShowsSource(true);
    Q_EMIT documentReady();
    m_session.setStatus((isText ? SessionTexts::ready : SessionTexts::audioOpened).toString());
    if (!isText)
        m_playback.openRecording(url);
    else if (opened.recording) {
        m_playback.openRecording(QUrl::fromLocalFile(*opened.recording));
        if (m_session.hasSourcePlayer())
            m_session.setStatus(SessionTexts::transcriptWithRecording.toString());
    }
}

// Whatever was heard belongs to what is being replaced.
void DocumentWorkflow::dropAudio()
{
    m_playback.reset();
    m_narration.discardVoice();
}

void DocumentWorkflow::loadExample()
{
    if (!confirmReplacement())
        return;
    dropAudio();
    m_session.setIsExample(true);
    m_session.setSourceURL(QUrl());
    m_session.setSourceName(ExampleDocument::sourceName());
    m_session.setSourceText(ExampleDocument::sourceText());
    m_session.setOutputText(ExampleDocument::outputText());
    m_session.markSaved();
    m_session.setTranscriptSegments({});
    m_session.setReaderShowsSource(false);
    m_session.setGeneratedKind(OutputKind::summary);
    m_session.setDetectedSpeakers(2);
    m_session.setStatus(SessionTexts::example.toString());
    Q_EMIT documentReady();
}

void DocumentWorkflow::showInReader(bool source)
{
    m_session.setReaderShowsSource(source);
    Q_EMIT documentReady();
}

void DocumentWorkflow::noteCopied() { m_session.setStatus(SessionTexts::copied.toString()); }

QString DocumentWorkflow::exportFileName() const
{
    QString name = m_session.sourceName();
    name.replace(u'.', u'-');
    return name + u'-' + m_session.readerTitle().toLower() + (m_session.readerIsCode() ? u".md"_s : u".txt"_s);
}

std::optional<QList<TranscriptSegment>> DocumentWorkflow::subtitleSegments() const
{
    if (!m_session.readerShowsSource() || m_session.transcriptSegments().isEmpty())
        return std::nullopt;
    return Subtitles::withEditedText(m_session.transcriptSegments(), m_session.sourceText());
}

void DocumentWorkflow::exportText()
{
    const QString text = m_session.readerText();
    if (text.isEmpty())
        return;
    using Type = UserPrompts::FileType;
    const std::optional<QList<TranscriptSegment>> subtitles = subtitleSegments();
    UserPrompts::SaveDialog dialog;
    dialog.allowedTypes =
        m_session.readerIsCode() ? QList{Type::plainText} : QList{Type::plainText, Type::rtf, Type::odt};
    if (subtitles)
        dialog.allowedTypes << Type::subRip << Type::webVtt << Type::json;
    dialog.proposedName = exportFileName();
    const std::optional<QString> path = m_prompts.chooseSaveLocation(dialog);
    if (!path || path->isEmpty())
        return;

    try {
        AtomicFile::write(*path, exportedBytes(text, QFileInfo(*path).suffix().toLower(), subtitles));
    } catch (...) {
        LongJob::report(m_session, std::current_exception());
        return;
    }
    m_session.markReaderTextSaved();
    m_session.setStatus(SessionTexts::exported.toString());
}

void DocumentWorkflow::openElsewhere()
{
    const QString text = m_session.readerText();
    if (text.isEmpty())
        return;
    const QString name = u"Telvora-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
        + (m_session.readerIsCode() ? u".md"_s : u".txt"_s);
    const QString path = QDir(QDir::tempPath()).filePath(name);
    try {
        AtomicFile::write(path, text.toUtf8());
        if (!m_prompts.openInDefaultApplication(path))
            throw TelvoraError(SessionTexts::noOpenerPrefix.toString() + path
                               + SessionTexts::noOpenerSuffix.toString());
    } catch (...) {
        LongJob::report(m_session, std::current_exception());
    }
}

} // namespace telvora

// Replacing what the console works on: a chosen file, a given file, or the example.

#include "Telvora/Session/Session.h"

#include "Telvora/Session/AtomicFile.h"
#include "Telvora/Document/RtfReader.h"
#include "Telvora/Session/ExampleDocument.h"
#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Session/UserPrompts.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

const QStringList textExtensions{u"txt"_s, u"md"_s, u"markdown"_s, u"srt"_s, u"vtt"_s, u"text"_s};

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

} // namespace

Session::OpenedText Session::readSourceFile(const QString &path, const QString &extension) const
{
    const QByteArray bytes = AtomicFile::read(path);
    if (extension == u"json") {
        const auto transcript = Transcript::decode(bytes, timecodes());
        return {transcript.text, transcript.speakers, transcript.segments};
    }
    if (extension == u"rtf")
        return {RtfReader::read(bytes), 0, {}};
    return {decodeText(bytes), 0, {}};
}

bool Session::confirmReplacement()
{
    if (busy()) {
        setErrorMessage(SessionTexts::busyOpening.toString());
        return false;
    }
    if (!hasUnsavedChanges())
        return true;
    const UserPrompts::Alert alert{SessionTexts::unsavedMessage.toString(),
                                   SessionTexts::unsavedInformative.toString(),
                                   {SessionTexts::unsavedCancel.toString(), SessionTexts::unsavedDiscard.toString(),
                                    SessionTexts::unsavedExport.toString()}};
    const std::optional<qsizetype> answer = m_prompts->ask(alert);
    if (answer == 1)
        return true;
    if (answer == 2)
        exportText();
    return false;
}

void Session::openFile()
{
    if (!confirmReplacement())
        return;
    const UserPrompts::OpenDialog dialog{SessionTexts::openDialogMessage.toString(),
                                         {UserPrompts::FileType::text, UserPrompts::FileType::audio,
                                          UserPrompts::FileType::movie, UserPrompts::FileType::rtf,
                                          UserPrompts::FileType::json}};
    const std::optional<QString> path = m_prompts->chooseFileToOpen(dialog);
    if (path && !path->isEmpty())
        importFile(QUrl::fromLocalFile(*path));
}

void Session::importFile(const QUrl &url)
{
    const QString path = url.toLocalFile();
    const QString extension = QFileInfo(path).suffix().toLower();
    const bool isText = textExtensions.contains(extension) || extension == u"json" || extension == u"rtf";
    OpenedText opened;
    if (isText) {
        try {
            opened = readSourceFile(path, extension);
        } catch (...) {
            report(std::current_exception());
            return;
        }
    }

    resetAudio();
    setSourceURL(url);
    setSourceName(QFileInfo(path).fileName());
    setIsExample(false);
    setSourceText(opened.text);
    setOutputText(QString());
    sourceBaseline = opened.text;
    outputBaseline.clear();
    transcriptSegments = opened.segments;
    setDetectedSpeakers(opened.speakers);
    setDuration(0);
    setWaveform({});
    setReaderShowsSource(true);
    if (showReader)
        showReader();
    setStatus((isText ? SessionTexts::ready : SessionTexts::audioOpened).toString());
    if (!isText)
        openRecording(url);
}

void Session::loadExample()
{
    if (!confirmReplacement())
        return;
    resetAudio();
    setIsExample(true);
    setSourceURL(QUrl());
    setSourceName(ExampleDocument::sourceName());
    setSourceText(ExampleDocument::sourceText());
    setOutputText(ExampleDocument::outputText());
    sourceBaseline = sourceText();
    outputBaseline = outputText();
    transcriptSegments.clear();
    setReaderShowsSource(false);
    setGeneratedKind(OutputKind::summary);
    setDetectedSpeakers(2);
    setDuration(0);
    setWaveform({});
    setStatus(SessionTexts::example.toString());
    if (showReader)
        showReader();
}

} // namespace telvora

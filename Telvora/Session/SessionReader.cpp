// The text the reader window shows, and taking it out of the program.

#include "Telvora/Session/Session.h"

#include "Telvora/Session/AtomicFile.h"
#include "Telvora/Document/OdtWriter.h"
#include "Telvora/Document/RtfWriter.h"
#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Session/UserPrompts.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Transcript/Subtitles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

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
    return text.toUtf8();
}

} // namespace

QString Session::readerText() const { return readerShowsSource() ? sourceText() : outputText(); }

void Session::setReaderText(const QString &text)
{
    if (readerShowsSource())
        setSourceText(text);
    else
        setOutputText(text);
}

QString Session::readerTitle() const
{
    return readerShowsSource() ? SessionTexts::originalTitle.toString() : generatedKind().title();
}

bool Session::readerIsCode() const { return !readerShowsSource() && generatedKind() == OutputKind::quintara; }

QString Session::exportFileName() const
{
    QString name = sourceName();
    name.replace(u'.', u'-');
    return name + u'-' + readerTitle().toLower() + (readerIsCode() ? u".md"_s : u".txt"_s);
}

std::optional<QList<TranscriptSegment>> Session::subtitleSegments() const
{
    if (!readerShowsSource() || transcriptSegments.isEmpty())
        return std::nullopt;
    return Subtitles::withEditedText(transcriptSegments, sourceText());
}

void Session::exportText()
{
    const QString text = readerText();
    if (text.isEmpty())
        return;
    using Type = UserPrompts::FileType;
    const std::optional<QList<TranscriptSegment>> subtitles = subtitleSegments();
    UserPrompts::SaveDialog dialog;
    dialog.allowedTypes = readerIsCode() ? QList{Type::plainText} : QList{Type::plainText, Type::rtf, Type::odt};
    if (subtitles)
        dialog.allowedTypes << Type::subRip << Type::webVtt;
    dialog.proposedName = exportFileName();
    const std::optional<QString> path = m_prompts->chooseSaveLocation(dialog);
    if (!path || path->isEmpty())
        return;

    try {
        AtomicFile::write(*path, exportedBytes(text, QFileInfo(*path).suffix().toLower(), subtitles));
    } catch (...) {
        report(std::current_exception());
        return;
    }
    if (readerShowsSource())
        sourceBaseline = sourceText();
    else
        outputBaseline = outputText();
    setStatus(SessionTexts::exported.toString());
}

void Session::openElsewhere()
{
    const QString text = readerText();
    if (text.isEmpty())
        return;
    const QString name = u"Telvora-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
        + (readerIsCode() ? u".md"_s : u".txt"_s);
    const QString path = QDir(QDir::tempPath()).filePath(name);
    try {
        AtomicFile::write(path, text.toUtf8());
    } catch (...) {
        report(std::current_exception());
        return;
    }
    m_prompts->openInDefaultApplication(path);
}

} // namespace telvora

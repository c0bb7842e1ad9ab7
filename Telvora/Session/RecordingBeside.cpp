#include "Telvora/Session/RecordingBeside.h"

#include "Telvora/Session/FileTypes.h"
#include "Telvora/Session/SessionTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace telvora::RecordingBeside {

namespace {

// The extensions the open dialog offers as audio and video, in the order they are tried.
const QStringList recordingExtensions =
    FileTypes::extensions(UserPrompts::FileType::audio) + FileTypes::extensions(UserPrompts::FileType::movie);

// Only a regular file (or a link to one): a pipe of that name would block the player.
bool isRecording(const QFileInfo &file)
{
    return file.isFile() && recordingExtensions.contains(file.suffix().toLower());
}

std::optional<QString> sameName(const QFileInfo &transcript)
{
    for (const QString &extension : recordingExtensions) {
        for (const QString &spelled : {extension, extension.toUpper()}) {
            const QFileInfo candidate(transcript.dir().filePath(transcript.completeBaseName() + u'.' + spelled));
            if (isRecording(candidate))
                return candidate.filePath();
        }
    }
    return std::nullopt;
}

// The export proposes the source's name with its dots as dashes, then the text's title.
std::optional<QString> exportedName(const QFileInfo &transcript)
{
    const QString suffix = u'-' + SessionTexts::originalTitle.toString().toLower();
    if (!transcript.completeBaseName().endsWith(suffix))
        return std::nullopt;
    const QFileInfoList files = transcript.dir().entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &candidate : files) {
        if (isRecording(candidate)
            && QString(candidate.fileName()).replace(u'.', u'-') + suffix == transcript.completeBaseName())
            return candidate.filePath();
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> of(const QString &transcriptPath)
{
    const QFileInfo transcript(transcriptPath);
    if (std::optional<QString> recording = sameName(transcript))
        return recording;
    return exportedName(transcript);
}

} // namespace telvora::RecordingBeside

#include "Telvora/Session/RecordingBeside.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace telvora::RecordingBeside {

namespace {

// The extensions the open dialog offers as audio and video, in the order they are tried.
const QStringList recordingExtensions{u"wav"_s, u"mp3"_s, u"m4a"_s,  u"flac"_s, u"ogg"_s, u"oga"_s, u"opus"_s,
                                      u"aac"_s, u"aif"_s, u"aiff"_s, u"wma"_s,  u"caf"_s, u"mp4"_s, u"m4v"_s,
                                      u"mov"_s, u"mkv"_s, u"webm"_s, u"avi"_s,  u"mpg"_s, u"mpeg"_s};

} // namespace

std::optional<QString> of(const QString &transcriptPath)
{
    const QFileInfo transcript(transcriptPath);
    const QDir folder = transcript.dir();
    for (const QString &extension : recordingExtensions) {
        for (const QString &spelled : {extension, extension.toUpper()}) {
            const QFileInfo candidate(folder.filePath(transcript.completeBaseName() + u'.' + spelled));
            // Only a regular file (or a link to one): a pipe of that name would block the player.
            if (candidate.isFile())
                return candidate.filePath();
        }
    }
    return std::nullopt;
}

} // namespace telvora::RecordingBeside

#include "Telvora/Transcription/AudioPreparation.h"

#include "Telvora/Transcription/ProcessBox.h"
#include "TelvoraCore/Errors/Error.h"

#include <sys/wait.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora::LocalTranscriber {

// Stop-gap until the media layer's streaming decoder is merged: the ffmpeg command gives
// the same samples.
void decode(const QString &source, const QString &destination, const CancellationToken &token)
{
    token.throwIfCancelled();
    ProcessBox ffmpeg(u"/usr/bin/ffmpeg"_s,
                      {u"-nostdin"_s, u"-v"_s, u"error"_s, u"-y"_s, u"-i"_s, source, u"-map"_s, u"0:a:0"_s, u"-ac"_s,
                       u"1"_s, u"-ar"_s, u"16000"_s, u"-f"_s, u"f32le"_s, destination},
                      {{u"PATH"_s, u"/usr/bin:/bin"_s}});
    ffmpeg.launch();
    const QByteArray output = ffmpeg.readToEnd();
    const int status = ffmpeg.waitForExit();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw PlatformError(QString::fromUtf8(output).trimmed());
}

} // namespace telvora::LocalTranscriber

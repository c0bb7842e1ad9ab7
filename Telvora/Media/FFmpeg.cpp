#include "Telvora/Media/FFmpeg_p.h"

#include "Telvora/Media/MediaTexts.h"
#include "TelvoraCore/Errors/FileFailure.h"

#include <mutex>
#include <new>

namespace telvora::ffmpeg {

Frame makeFrame()
{
    Frame frame(av_frame_alloc());
    if (!frame)
        throw std::bad_alloc();
    return frame;
}

Packet makePacket()
{
    Packet packet(av_packet_alloc());
    if (!packet)
        throw std::bad_alloc();
    return packet;
}

bool meansNotMedia(int code)
{
    // A text renamed .mp3 makes the demuxer the extension names give up with EINVAL.
    return code == AVERROR_INVALIDDATA || code == AVERROR(EINVAL) || code == AVERROR_DEMUXER_NOT_FOUND
        || code == AVERROR_DECODER_NOT_FOUND || code == AVERROR_STREAM_NOT_FOUND || code == AVERROR_EOF;
}

QString failureText(int code, const QString &path)
{
    if (meansNotMedia(code))
        return MediaTexts::notMedia.arg(path);
    // FFmpeg's own codes are tags far below any errno.
    const int systemError = AVUNERROR(code);
    return FileFailure::message(FileFailure::Access::reading, path, systemError < 4096 ? systemError : 0);
}

void silenceLogging()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

} // namespace telvora::ffmpeg

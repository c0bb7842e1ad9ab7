#pragma once

// Ownership of FFmpeg's objects and its error texts; included by the media sources only.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <QString>

#include <memory>

namespace telvora::ffmpeg {

struct InputCloser
{
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct CodecFreer
{
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct FrameFreer
{
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct PacketFreer
{
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct ResamplerFreer
{
    void operator()(SwrContext *context) const { swr_free(&context); }
};
struct FifoFreer
{
    void operator()(AVAudioFifo *fifo) const { av_audio_fifo_free(fifo); }
};

using Input = std::unique_ptr<AVFormatContext, InputCloser>;
using Codec = std::unique_ptr<AVCodecContext, CodecFreer>;
using Frame = std::unique_ptr<AVFrame, FrameFreer>;
using Packet = std::unique_ptr<AVPacket, PacketFreer>;
using SwResampler = std::unique_ptr<SwrContext, ResamplerFreer>;
using Fifo = std::unique_ptr<AVAudioFifo, FifoFreer>;

Frame makeFrame();
Packet makePacket();

/// Whether FFmpeg failing to open a file with `code` means the file is no media it knows
/// (text, an empty file, a damaged header), rather than a file it could not read.
bool meansNotMedia(int code);

/// The user's sentence for FFmpeg failing to read the file `path` with `code`; FFmpeg's
/// own descriptions are English.
QString failureText(int code, const QString &path);

/// Keeps FFmpeg from writing to the terminal; the program reports failures itself.
void silenceLogging();

} // namespace telvora::ffmpeg

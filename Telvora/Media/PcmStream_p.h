#pragma once

#include "Telvora/Media/AudioStreamReader_p.h"
#include "Telvora/Media/Resampler_p.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QIODevice>

#include <memory>

namespace telvora {

class LevelMeter;

/// A file's audio decoded on demand into interleaved PCM of one QAudioFormat, for an audio
/// output to pull from: only a few decoded frames are held at a time, whatever the length.
/// Channel 0 of every byte read goes to the meter, if one is set.
class PcmStream final : public QIODevice
{
public:
    /// Takes over an opened reader of `path`; throws TelvoraError when the format has no
    /// FFmpeg counterpart.
    PcmStream(const QString &path, std::unique_ptr<AudioStreamReader> reader, const QAudioFormat &format);
    ~PcmStream() override;

    /// Decodes ahead until some audio is held; false when the file yields none.
    bool prime();
    /// Goes back to the start of the file.
    void rewind();
    /// Goes to `seconds` from the start: the next bytes read are the audio from there.
    void seek(double seconds);
    void setMeter(LevelMeter *meter) { m_meter = meter; }

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool decodeMore();
    void dropBeforeSeekTarget(const AVFrame *frame);
    void meter(const char *data, qint64 size);

    QString m_path;
    QAudioFormat m_format;
    std::unique_ptr<AudioStreamReader> m_reader;
    std::unique_ptr<Resampler> m_resampler;
    QByteArray m_pending;
    qsizetype m_offset = 0;
    bool m_ended = false;
    // After a seek: the time to start from, until the first frame is decoded (negative
    // otherwise), whether the reader moved near it, and the early bytes still to skip.
    double m_seekTarget = -1;
    bool m_seekLanded = false;
    qint64 m_bytesToDrop = 0;
    LevelMeter *m_meter = nullptr;
};

} // namespace telvora

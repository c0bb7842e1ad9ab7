#pragma once

#include "Telvora/Media/AudioPlayer.h"

#include <memory>

namespace telvora {

/// Plays a file through FFmpeg into the default audio output, decoding as it goes so that
/// long recordings are never held whole in memory. Without an audio output (or when it
/// refuses to start) the samples go to a silent real-time sink instead. The meter reads
/// channel 0 of the last 50 ms handed to the output.
class FileAudioPlayer final : public AudioPlayer
{
    Q_OBJECT
public:
    /// Opens `path` and decodes its first audio; throws MediaError or TelvoraError when the
    /// file has no audio that decodes. Create it on the GUI thread.
    explicit FileAudioPlayer(const QString &path, QObject *parent = nullptr);
    ~FileAudioPlayer() override;

    /// The factory the program gives the session.
    static AudioPlayerFactory factory();

    void play() override;
    void pause() override;
    void stop() override;
    bool isPlaying() const override;
    double duration() const override;
    double position() const override;
    void seek(double seconds) override;
    void setMeteringEnabled(bool enabled) override;
    bool isMeteringEnabled() const override;
    void updateMeters() override;
    double averagePower() const override;

private:
    void finish();
    void halt();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace telvora

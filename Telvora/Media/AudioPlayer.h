#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace telvora {

/// A player of one audio file, as the session drives it: transport, length and a level
/// meter. Lives on the GUI thread. Reaching the end is seen by polling isPlaying(), which
/// then turns false and the position goes back to the start.
class AudioPlayer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioPlayer() override;

    /// Starts playing, from where it was paused (or from the start after stop()).
    virtual void play() = 0;
    virtual void pause() = 0;
    /// Stops and moves back to the start.
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
    /// The file's length in seconds.
    virtual double duration() const = 0;
    /// Where playback stands, in seconds from the start (0 after stop()).
    virtual double position() const = 0;
    /// Moves to `seconds` (clamped to the file), playing on from there if it was playing.
    virtual void seek(double seconds) = 0;

    virtual void setMeteringEnabled(bool enabled) = 0;
    virtual bool isMeteringEnabled() const = 0;
    /// Takes a new reading of the meter over the most recent samples played.
    virtual void updateMeters() = 0;
    /// The average power of channel 0 at the last reading, in decibels from −160 (silence,
    /// or metering off) to 0 (full scale).
    virtual double averagePower() const = 0;
};

/// Makes the player of a file; throws (or answers null) when the file cannot be played.
using AudioPlayerFactory = std::function<std::unique_ptr<AudioPlayer>(const QString &path)>;

} // namespace telvora

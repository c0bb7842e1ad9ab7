#pragma once

#include "Telvora/Media/AudioPlayer.h"

#include <QHash>
#include <QList>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace telvora::test {

/// A player that takes no real time: the test sets its level and ends it. Its state is
/// shared, so the test still sees it once the session owns (or has dropped) the player.
class FakeAudioPlayer final : public AudioPlayer
{
public:
    struct State
    {
        bool playing = false;
        bool metering = false;
        bool alive = true;
        double duration = 0;
        double position = 0;
        double power = -160;
        int plays = 0;
        int pauses = 0;
        int stops = 0;
        int meterUpdates = 0;
        QList<double> seeks;
    };

    explicit FakeAudioPlayer(std::shared_ptr<State> state)
        : m_state(std::move(state))
    {}
    ~FakeAudioPlayer() override { m_state->alive = false; }

    void play() override
    {
        ++m_state->plays;
        m_state->playing = true;
    }
    void pause() override
    {
        ++m_state->pauses;
        m_state->playing = false;
    }
    void stop() override
    {
        ++m_state->stops;
        m_state->playing = false;
        m_state->position = 0;
    }
    bool isPlaying() const override { return m_state->playing; }
    double duration() const override { return m_state->duration; }
    double position() const override { return m_state->position; }
    void seek(double seconds) override
    {
        m_state->seeks.append(seconds);
        m_state->position = std::clamp(seconds, 0.0, m_state->duration);
    }
    void setMeteringEnabled(bool enabled) override { m_state->metering = enabled; }
    bool isMeteringEnabled() const override { return m_state->metering; }
    void updateMeters() override { ++m_state->meterUpdates; }
    double averagePower() const override { return m_state->metering ? m_state->power : -160; }

private:
    std::shared_ptr<State> m_state;
};

/// A factory of fake players that keeps the state of each one it made, by path.
class FakeAudioPlayers
{
public:
    AudioPlayerFactory factory()
    {
        return [this](const QString &path) -> std::unique_ptr<AudioPlayer> {
            if (refused)
                throw std::runtime_error("unplayable");
            auto state = std::make_shared<FakeAudioPlayer::State>();
            state->duration = duration;
            made[path] = state;
            return std::make_unique<FakeAudioPlayer>(state);
        };
    }

    std::shared_ptr<FakeAudioPlayer::State> make(double seconds = 1)
    {
        auto state = std::make_shared<FakeAudioPlayer::State>();
        state->duration = seconds;
        return state;
    }

    double duration = 1;
    bool refused = false;
    QHash<QString, std::shared_ptr<FakeAudioPlayer::State>> made;
};

} // namespace telvora::test

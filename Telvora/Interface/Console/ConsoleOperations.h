#pragma once

#include "TelvoraCore/Vocabulary/Voice.h"

#include <QList>
#include <QString>

#include <functional>

namespace telvora {

class Session;

/// The session operations the console calls that live in other workflows (playback,
/// transcription, narration, voices, the two sheets). Each is one hook, so a workflow is
/// wired in one line when it lands; an empty hook makes its control do nothing.
struct ConsoleOperations
{
    /// Whether the source recording has a player: decides the play and stop keys and the
    /// transcribe rule.
    std::function<bool()> hasSourcePlayer;
    std::function<void()> toggleSource;
    std::function<void()> stopSource;
    std::function<void()> transcribe;
    std::function<void()> listen;
    std::function<void()> exportAudio;
    /// Starts a voice refresh on the main thread; the console neither waits for it nor tracks it.
    std::function<void()> refreshVoices;
    /// The voices of the current provider, and the choice among them.
    std::function<QList<Voice>()> voices;
    std::function<QString()> voiceID;
    std::function<void(const QString &)> setVoiceID;
    /// Present the settings and transcription options sheets over the console.
    std::function<void()> presentSettings;
    std::function<void()> presentTranscriptionOptions;

    /// The operations as the session offers them today.
    static ConsoleOperations forSession(Session &session);
};

} // namespace telvora

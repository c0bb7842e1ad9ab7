#include "Telvora/Interface/ConsoleOperations.h"

#include "Telvora/Session/Session.h"

namespace telvora {

// The one place where the console meets workflows still being built. Each hook left empty
// here is wired when its session operation lands:
//   hasSourcePlayer  -> session.sourcePlayer() != nullptr   (playback)
//   toggleSource     -> session.toggleSource()               (playback)
//   stopSource       -> session.stopSource()                 (playback)
//   transcribe       -> session.transcribe()                 (transcription)
//   presentSettings / presentTranscriptionOptions -> the two sheets
ConsoleOperations ConsoleOperations::forSession(Session &session)
{
    ConsoleOperations operations;
    operations.hasSourcePlayer = [] { return false; };
    operations.listen = [&session] { session.listen(); };
    operations.exportAudio = [&session] { session.exportAudio(); };
    // The refresh reports its own failures; its task may be dropped while it runs.
    operations.refreshVoices = [&session] { session.refreshVoices(); };
    operations.voices = [&session] { return session.voices(); };
    operations.voiceID = [&session] { return session.voiceID(); };
    operations.setVoiceID = [&session](const QString &id) { session.setVoiceID(id); };
    return operations;
}

} // namespace telvora

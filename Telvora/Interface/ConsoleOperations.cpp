#include "Telvora/Interface/ConsoleOperations.h"

#include "Telvora/Session/Session.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

namespace telvora {

// The one place where the console meets workflows still being built. Each hook left empty
// here is wired when its session operation lands:
//   transcribe       -> session.transcribe()                 (transcription)
//   listen           -> session.listen()                     (narration)
//   exportAudio      -> session.exportAudio()                (narration)
//   refreshVoices    -> a task awaiting session.refreshVoices() (voices)
//   presentSettings / presentTranscriptionOptions -> the two sheets
// Until then, voices and the voice choice are read from the session's fields.
ConsoleOperations ConsoleOperations::forSession(Session &session)
{
    ConsoleOperations operations;
    operations.hasSourcePlayer = [&session] { return session.sourcePlayer() != nullptr; };
    operations.toggleSource = [&session] { session.toggleSource(); };
    operations.stopSource = [&session] { session.stopSource(); };
    operations.voices = [&session] {
        return session.provider() == VoiceProvider::openAI ? AIModels::voices(session.openAISpeechModel())
                                                           : session.elevenVoices();
    };
    operations.voiceID = [&session] {
        return session.provider() == VoiceProvider::openAI ? session.openAIVoice() : session.elevenVoice();
    };
    operations.setVoiceID = [&session](const QString &id) {
        if (session.provider() == VoiceProvider::openAI)
            session.setOpenAIVoice(id);
        else
            session.setElevenVoice(id);
    };
    return operations;
}

} // namespace telvora

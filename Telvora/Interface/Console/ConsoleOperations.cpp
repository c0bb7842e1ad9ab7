#include "Telvora/Interface/Console/ConsoleOperations.h"

#include "Telvora/Session/Session.h"

namespace telvora {

// The one place where the console meets the session's workflows. The two sheets are not
// hooks here: the shell's SheetPresenter shows them while their session flags are set.
ConsoleOperations ConsoleOperations::forSession(Session &session)
{
    ConsoleOperations operations;
    operations.hasSourcePlayer = [&session] { return session.hasSourcePlayer(); };
    operations.toggleSource = [&session] { session.toggleSource(); };
    operations.stopSource = [&session] { session.stopSource(); };
    operations.transcribe = [&session] { session.transcribe(); };
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

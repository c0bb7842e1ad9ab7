#pragma once

#include "Telvora/Session/Credentials/KeychainStore.h"
#include "Telvora/Session/DocumentWorkflow.h"
#include "Telvora/Session/GenerationWorkflow.h"
#include "Telvora/Session/NarrationWorkflow.h"
#include "Telvora/Session/Playback.h"
#include "Telvora/Session/Providers.h"
#include "Telvora/Session/Session.h"
#include "Telvora/Session/Settings.h"
#include "Telvora/Session/TranscriptionWorkflow.h"

#include <QObject>

class QSettings;

namespace telvora {

class CredentialBackend;
class UserPrompts;

/// The one session and everything that works on it: the persisted settings, the keys, the
/// way to the providers, and one object per workflow. The application delegate owns one;
/// tests build their own. The collaborators given must outlive it.
class Workflows : public QObject
{
    Q_OBJECT
public:
    /// What the workflows are built from: the real stores in the program, scripted ones in tests.
    struct Services
    {
        QSettings &settings;
        CredentialBackend &credentials;
        UserPrompts &prompts;
        ProviderEndpoints endpoints;
    };

    explicit Workflows(Services services, QObject *parent = nullptr);
    ~Workflows() override;

    Session &session() { return m_session; }
    Settings &settings() { return m_settings; }
    KeychainStore &keychain() { return m_keychain; }
    Providers &providers() { return m_providers; }
    UserPrompts &prompts() { return m_prompts; }
    Playback &playback() { return m_playback; }
    NarrationWorkflow &narration() { return m_narration; }
    TranscriptionWorkflow &transcription() { return m_transcription; }
    GenerationWorkflow &generation() { return m_generation; }
    DocumentWorkflow &document() { return m_document; }

    /// Asks the running long job to stop; it ends as "Cancelado".
    void cancel();
    /// The user saw the error message: it goes.
    void dismissError();
    /// Before the program ends: the recording stops, the meter rests, the narration's files go.
    void shutDown();

Q_SIGNALS:
    /// The reader has something new to show and should come forward.
    void documentReady();
    /// A key or a voice is missing: the settings sheet should open.
    void settingsRequested();

private:
    // Declared in the order they depend on each other; each goes before what it uses.
    Session m_session;
    Settings m_settings;
    KeychainStore m_keychain;
    Providers m_providers;
    UserPrompts &m_prompts;
    Playback m_playback;
    NarrationWorkflow m_narration;
    TranscriptionWorkflow m_transcription;
    GenerationWorkflow m_generation;
    DocumentWorkflow m_document;
};

} // namespace telvora

#pragma once

#include "Telvora/Session/Job.h"
#include "TelvoraCore/Vocabulary/OutputKind.h"
#include "TelvoraCore/Vocabulary/OutputLength.h"

#include <QObject>
#include <QString>

namespace telvora {

class KeychainStore;
class NarrationWorkflow;
class Providers;
class Session;
class Settings;

/// The source becomes a document of the chosen kind and length, narrated as well when the
/// voice switch is on.
class GenerationWorkflow : public QObject
{
    Q_OBJECT
public:
    GenerationWorkflow(Session &session, Settings &settings, KeychainStore &keychain, Providers &providers,
                       NarrationWorkflow &narration, QObject *parent = nullptr);

    /// The document kept from a model's answer: a presentation's Markdown as written, any
    /// other kind in its plain form.
    static QString documentText(OutputKind kind, const QString &answer);

    /// Starts the generation; asks for the settings when a key or the voice is missing.
    void generate();
    void cancel();

Q_SIGNALS:
    /// A fresh document is ready to be read.
    void documentReady();
    /// A key or a voice is missing: the settings sheet should open.
    void settingsRequested();

private:
    struct Request
    {
        QString source;
        QString output;
        OutputKind kind;
        OutputLength length;
        QString key;
        QString model;
        bool narrate;
    };
    QCoro::Task<> preparation(CancellationToken token);
    QCoro::Task<> generation(Request request, CancellationToken token);
    void requestSettings(QStringView statusLine);

    Session &m_session;
    Settings &m_settings;
    KeychainStore &m_keychain;
    Providers &m_providers;
    NarrationWorkflow &m_narration;
    // Whether the running job got as far as setting `busy`: reading the keys comes first.
    bool m_started = false;
    Job m_job;
};

} // namespace telvora

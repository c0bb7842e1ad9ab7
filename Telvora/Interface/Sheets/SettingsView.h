#pragma once

#include "Telvora/Session/Job.h"
#include "TelvoraCore/Options/LocalTranscriptionOptions.h"

#include <QCoroTask>
#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace telvora {

class ModelChoice;
class Workflows;
class TranscriptionModelFields;

/// The settings sheet: the two provider keys, the four model settings and the local
/// transcription models, edited on private copies that reach the session, the keychain
/// and the settings store only when "Salvar" succeeds. Its state is made fresh for each
/// showing: the presenter builds a new sheet every time.
class SettingsView : public QDialog
{
    Q_OBJECT
public:
    /// `engineAvailable` tells whether the local transcription engine is installed.
    SettingsView(Workflows &workflows, std::function<bool()> engineAvailable, QWidget *parent = nullptr);
    ~SettingsView() override;

    /// The refresh buttons' actions: each starts one refresh of the account's models and
    /// cancels the one of the same kind still running.
    void requestModelRefresh();
    void requestElevenRefresh();

    /// "Salvar": validates, stores the keys, assigns the models, writes the settings and
    /// closes; on a failure the red line tells why and nothing more is changed.
    void save();

    /// Closing by any way cancels both refreshes; their results are never shown.
    void done(int result) override;

private:
    void buildLayout(bool engineAvailable);
    QWidget *openAISection();
    QWidget *elevenSection();
    QWidget *transcriptionSection(bool engineAvailable);

    void editOpenAIKey(const QString &value);
    void editElevenKey(const QString &value);
    QCoro::Task<> readKeys(CancellationToken token);
    QCoro::Task<> saveKeys(CancellationToken token);
    void apply();
    void fail(const QString &message);
    QCoro::Task<> refreshModels(CancellationToken token);
    QCoro::Task<> refreshElevenModels(CancellationToken token);
    void cancelRefreshes();
    void render();

    Workflows &m_workflows;

    // The private copies and the sheet's own state.
    QString m_openAIKey;
    QString m_elevenKey;
    QString m_model;
    QString m_voiceModel;
    QString m_narrationModel;
    QString m_openAISpeechModel;
    LocalTranscriptionOptions m_transcription;
    QStringList m_speechModels;
    QStringList m_elevenModels;
    bool m_elevenModelsLoading = false;
    int m_elevenRefresh = 0;
    QString m_elevenMessage;
    QString m_message;
    QStringList m_models;
    bool m_modelsLoading = false;
    int m_modelRefresh = 0;
    QString m_modelMessage;
    QString m_elevenRequestKey;
    Job m_keysJob;
    Job m_saveJob;
    Job m_modelsJob;
    Job m_elevenJob;

    QLineEdit *m_openAIKeyField = nullptr;
    ModelChoice *m_textChoice = nullptr;
    ModelChoice *m_narrationChoice = nullptr;
    ModelChoice *m_speechChoice = nullptr;
    QPushButton *m_refreshButton = nullptr;
    QProgressBar *m_refreshProgress = nullptr;
    QLabel *m_modelNote = nullptr;
    QLineEdit *m_elevenKeyField = nullptr;
    ModelChoice *m_elevenChoice = nullptr;
    QPushButton *m_elevenRefreshButton = nullptr;
    QLabel *m_elevenNote = nullptr;
    TranscriptionModelFields *m_transcriptionFields = nullptr;
    QLabel *m_messageLine = nullptr;
};

} // namespace telvora

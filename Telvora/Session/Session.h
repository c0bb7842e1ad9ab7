#pragma once

#include "Telvora/Media/AudioPlayer.h"
#include "Telvora/Session/Credentials/KeychainStore.h"
#include "Telvora/Session/ProgressEstimator.h"
#include "Telvora/Transcription/TranscriptionProgress.h"
#include "TelvoraCore/Options/LocalTranscriptionOptions.h"
#include "TelvoraCore/Provider/ProviderEndpoints.h"
#include "TelvoraCore/Support/CancellationToken.h"
#include "TelvoraCore/Transcript/TranscriptSegment.h"
#include "TelvoraCore/Vocabulary/OutputKind.h"
#include "TelvoraCore/Vocabulary/OutputLength.h"
#include "TelvoraCore/Vocabulary/Voice.h"
#include "TelvoraCore/Vocabulary/VoiceProvider.h"

#include <QCoroTask>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QSettings;

namespace telvora {

class CredentialBackend;
class UserPrompts;

/// The one application state: everything the console and the reader show and every
/// workflow works on. Lives on the GUI thread; every field is read and written there.
///
/// Setters compare, store, and emit the field's signal only on a real change; the change
/// rules (settings write-through, dropping narration audio) run on every assignment.
/// Empty QUrl and QString values stand for "none" in the optional file locations.
class Session : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString sourceText READ sourceText WRITE setSourceText NOTIFY sourceTextChanged)
    Q_PROPERTY(QString outputText READ outputText WRITE setOutputText NOTIFY outputTextChanged)
    Q_PROPERTY(QString sourceName READ sourceName WRITE setSourceName NOTIFY sourceNameChanged)
    Q_PROPERTY(QUrl sourceURL READ sourceURL WRITE setSourceURL NOTIFY sourceURLChanged)
    Q_PROPERTY(bool readerShowsSource READ readerShowsSource WRITE setReaderShowsSource NOTIFY readerShowsSourceChanged)
    Q_PROPERTY(bool diarization READ diarization WRITE setDiarization NOTIFY diarizationChanged)
    Q_PROPERTY(qint64 speakerCount READ speakerCount WRITE setSpeakerCount NOTIFY speakerCountChanged)
    Q_PROPERTY(qint64 detectedSpeakers READ detectedSpeakers WRITE setDetectedSpeakers NOTIFY detectedSpeakersChanged)
    Q_PROPERTY(bool timecodes READ timecodes WRITE setTimecodes NOTIFY timecodesChanged)
    Q_PROPERTY(QString speakerNames READ speakerNames WRITE setSpeakerNames NOTIFY speakerNamesChanged)
    Q_PROPERTY(QString whisperModel READ whisperModel WRITE setWhisperModel NOTIFY whisperModelChanged)
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(QString vocabulary READ vocabulary WRITE setVocabulary NOTIFY vocabularyChanged)
    Q_PROPERTY(
        QString segmentationModel READ segmentationModel WRITE setSegmentationModel NOTIFY segmentationModelChanged)
    Q_PROPERTY(QString embeddingModel READ embeddingModel WRITE setEmbeddingModel NOTIFY embeddingModelChanged)
    Q_PROPERTY(bool voiceEnabled READ voiceEnabled WRITE setVoiceEnabled NOTIFY voiceEnabledChanged)
    Q_PROPERTY(QString openAIVoice READ openAIVoice WRITE setOpenAIVoice NOTIFY openAIVoiceChanged)
    Q_PROPERTY(QString elevenVoice READ elevenVoice WRITE setElevenVoice NOTIFY elevenVoiceChanged)
    Q_PROPERTY(QString textModel READ textModel WRITE setTextModel NOTIFY textModelChanged)
    Q_PROPERTY(QString narrationModel READ narrationModel WRITE setNarrationModel NOTIFY narrationModelChanged)
    Q_PROPERTY(
        QString openAISpeechModel READ openAISpeechModel WRITE setOpenAISpeechModel NOTIFY openAISpeechModelChanged)
    Q_PROPERTY(QString elevenModel READ elevenModel WRITE setElevenModel NOTIFY elevenModelChanged)
    Q_PROPERTY(bool busy READ busy WRITE setBusy NOTIFY busyChanged)
    Q_PROPERTY(QString status READ status WRITE setStatus NOTIFY statusChanged)
    Q_PROPERTY(bool showSettings READ showSettings WRITE setShowSettings NOTIFY showSettingsChanged)
    Q_PROPERTY(bool showTranscriptionOptions READ showTranscriptionOptions WRITE setShowTranscriptionOptions NOTIFY
                   showTranscriptionOptionsChanged)
    Q_PROPERTY(bool sourcePlaying READ sourcePlaying WRITE setSourcePlaying NOTIFY sourcePlayingChanged)
    Q_PROPERTY(bool voicePlaying READ voicePlaying WRITE setVoicePlaying NOTIFY voicePlayingChanged)
    Q_PROPERTY(double meterLevel READ meterLevel WRITE setMeterLevel NOTIFY meterLevelChanged)
    Q_PROPERTY(QList<double> waveform READ waveform WRITE setWaveform NOTIFY waveformChanged)
    Q_PROPERTY(double duration READ duration WRITE setDuration NOTIFY durationChanged)
    Q_PROPERTY(bool voicesLoading READ voicesLoading WRITE setVoicesLoading NOTIFY voicesLoadingChanged)
    Q_PROPERTY(bool isExample READ isExample WRITE setIsExample NOTIFY isExampleChanged)

public:
    /// Reads the nine persisted settings from `settings`; the collaborators must outlive
    /// the session. The program passes QSettings("Telvora", "Telvora"), the Secret Service
    /// backend, the Qt dialogs and the endpoints from the environment.
    Session(QSettings &settings, CredentialBackend &credentials, UserPrompts &prompts, ProviderEndpoints endpoints,
            QObject *parent = nullptr);
    ~Session() override;

    // Observed fields, in declaration order.
    const QString &sourceText() const { return m_sourceText; }
    void setSourceText(const QString &value);
    const QString &outputText() const { return m_outputText; }
    void setOutputText(const QString &value);
    const QString &sourceName() const { return m_sourceName; }
    void setSourceName(const QString &value);
    const QUrl &sourceURL() const { return m_sourceURL; }
    void setSourceURL(const QUrl &value);
    OutputKind outputKind() const { return m_outputKind; }
    void setOutputKind(OutputKind value);
    OutputKind generatedKind() const { return m_generatedKind; }
    void setGeneratedKind(OutputKind value);
    OutputLength length() const { return m_length; }
    void setLength(OutputLength value);
    bool readerShowsSource() const { return m_readerShowsSource; }
    void setReaderShowsSource(bool value);
    bool diarization() const { return m_diarization; }
    void setDiarization(bool value);
    qint64 speakerCount() const { return m_speakerCount; }
    void setSpeakerCount(qint64 value);
    qint64 detectedSpeakers() const { return m_detectedSpeakers; }
    void setDetectedSpeakers(qint64 value);
    bool timecodes() const { return m_timecodes; }
    void setTimecodes(bool value);
    const QString &speakerNames() const { return m_speakerNames; }
    void setSpeakerNames(const QString &value);
    const QString &whisperModel() const { return m_whisperModel; }
    void setWhisperModel(const QString &value);
    const QString &language() const { return m_language; }
    void setLanguage(const QString &value);
    const QString &vocabulary() const { return m_vocabulary; }
    void setVocabulary(const QString &value);
    const QString &segmentationModel() const { return m_segmentationModel; }
    void setSegmentationModel(const QString &value);
    const QString &embeddingModel() const { return m_embeddingModel; }
    void setEmbeddingModel(const QString &value);
    bool voiceEnabled() const { return m_voiceEnabled; }
    void setVoiceEnabled(bool value);
    VoiceProvider provider() const { return m_provider; }
    void setProvider(VoiceProvider value);
    const QString &openAIVoice() const { return m_openAIVoice; }
    void setOpenAIVoice(const QString &value);
    const QString &elevenVoice() const { return m_elevenVoice; }
    void setElevenVoice(const QString &value);
    const QList<Voice> &elevenVoices() const { return m_elevenVoices; }
    void setElevenVoices(const QList<Voice> &value);
    const QString &textModel() const { return m_textModel; }
    void setTextModel(const QString &value);
    const QString &narrationModel() const { return m_narrationModel; }
    void setNarrationModel(const QString &value);
    const QString &openAISpeechModel() const { return m_openAISpeechModel; }
    void setOpenAISpeechModel(const QString &value);
    const QString &elevenModel() const { return m_elevenModel; }
    void setElevenModel(const QString &value);
    bool busy() const { return m_busy; }
    void setBusy(bool value);
    const QString &status() const { return m_status; }
    void setStatus(const QString &value);
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    void setErrorMessage(const std::optional<QString> &value);
    bool showSettings() const { return m_showSettings; }
    void setShowSettings(bool value);
    bool showTranscriptionOptions() const { return m_showTranscriptionOptions; }
    void setShowTranscriptionOptions(bool value);
    bool sourcePlaying() const { return m_sourcePlaying; }
    void setSourcePlaying(bool value);
    bool voicePlaying() const { return m_voicePlaying; }
    void setVoicePlaying(bool value);
    double meterLevel() const { return m_meterLevel; }
    void setMeterLevel(double value);
    const QList<double> &waveform() const { return m_waveform; }
    void setWaveform(const QList<double> &value);
    double duration() const { return m_duration; }
    void setDuration(double value);
    bool voicesLoading() const { return m_voicesLoading; }
    void setVoicesLoading(bool value);
    bool isExample() const { return m_isExample; }
    void setIsExample(bool value);

    /// True when either text differs from the version last opened or exported.
    bool hasUnsavedChanges() const;

    /// The eight settings sent with a transcription. Assigning sets the fields one by one,
    /// in the record's order, each through its setter (so the persisted ones are written).
    LocalTranscriptionOptions transcriptionOptions() const;
    void setTranscriptionOptions(const LocalTranscriptionOptions &options);

    /// Drops the narration audio: its player, its file location and its folder of parts.
    /// Also called by the application when it terminates.
    void discardVoice();

    /// The provider keys, for the workflows and the settings window.
    const KeychainStore &keychain() const { return m_keychain; }
    /// The settings store, for the settings window's save of the model choices.
    QSettings &settings() const { return *m_settings; }
    const ProviderEndpoints &endpoints() const { return m_endpoints; }
    /// The modal questions, for the views' own dialogs (the settings sheet's file choice).
    UserPrompts &prompts() const { return *m_prompts; }

    // Generation, and the cancel request shared by every long workflow.

    /// Starts turning the source into a document of the chosen kind and length.
    void generate();
    /// Asks the running job to stop; it ends as "Cancelado".
    void cancel();

    // Transcription.

    /// Starts turning the opened recording into the source text with the local engine.
    void transcribe();
    /// True when the opened source is a recording the console can play.
    bool hasSourcePlayer() const;
    /// How far the running transcription got, with the time left in its stage once it can
    /// be estimated; none when no transcription runs or it reported nothing yet. It is shown
    /// after `status`, which keeps its own text.
    const std::optional<TranscriptionProgress> &transcriptionProgress() const { return m_transcriptionProgress; }
    void setTranscriptionProgress(const std::optional<TranscriptionProgress> &value);
    /// The time the progress estimate reads; tests give a clock of their own.
    std::function<ProgressEstimator::Clock::time_point()> progressClock = ProgressEstimator::Clock::now;

    // The reader's text and its export.

    QString readerText() const;
    void setReaderText(const QString &text);
    QString readerTitle() const;
    bool readerIsCode() const;
    /// The name the save dialog proposes for the reader's text.
    QString exportFileName() const;
    /// The segments to export as subtitles: while the reader shows a source made from a
    /// transcript whose paragraphs still match its segments, with the reader's corrections.
    std::optional<QList<TranscriptSegment>> subtitleSegments() const;
    void exportText();
    /// Writes the reader's text to a temporary file and hands it to the default application.
    void openElsewhere();

    // Voices: the chosen provider's list and choice.

    /// The voices the current provider offers: the OpenAI catalogue of the speech model,
    /// or the last fetched ElevenLabs voices.
    QList<Voice> voices() const;
    /// The chosen voice of the current provider (openAIVoice or elevenVoice); writing
    /// stores into that same field, so the other provider's choice stays. Views follow
    /// providerChanged, openAIVoiceChanged and elevenVoiceChanged.
    const QString &voiceID() const;
    void setVoiceID(const QString &value);
    /// Fetches the ElevenLabs voices and chooses the first when none is chosen. Never
    /// throws: failures end in `report`, keeping the list and the choice. A refresh asked
    /// for while one runs is ignored; it does not depend on `busy`.
    QCoro::Task<> refreshVoices();

    // Narration.

    /// The listen key: pauses the narration, resumes it, or makes it (and then plays it).
    void listen();
    /// Saves a copy of the narration audio where the user chooses.
    void exportAudio();
    /// The name the save dialog proposes for the narration audio.
    QString audioExportFileName() const;

    // Opening files.

    /// True when the texts may be replaced: not busy, and nothing unsaved or the user agreed.
    bool confirmReplacement();
    void openFile();
    void importFile(const QUrl &url);
    void loadExample();

    // Playback and metering.

    /// The player of the opened recording; null for a text source or a file it cannot play.
    AudioPlayer *sourcePlayer() const { return m_sourcePlayer.get(); }
    /// The narration's player, with metering on; null while there is no narration.
    AudioPlayer *voicePlayer() const { return m_voicePlayer.get(); }
    /// Makes the players of recordings and narrations. The default plays files through
    /// FFmpeg (FileAudioPlayer); tests give players that need no real time.
    void setAudioPlayerFactory(AudioPlayerFactory factory);
    /// A player of `path` from the factory; throws when the file cannot be played.
    std::unique_ptr<AudioPlayer> openAudioPlayer(const QString &path) const;
    /// Installs the narration's player with metering switched on (null drops it). The
    /// narration workflow calls discardVoice() first, then this.
    void installVoicePlayer(std::unique_ptr<AudioPlayer> player);
    /// The recording's play/pause key: pauses it, or pauses the narration and plays it.
    void toggleSource();
    /// The recording's stop key: stops it back at the start.
    void stopSource();
    /// (Re)starts the meter loop: a pass every 80 ms on the GUI thread while anything plays,
    /// ending by itself with the level at 0.
    void startAudioPoll();
    /// Ends the meter loop and sets the level to 0; the application calls it when it quits.
    void stopAudioPoll();

    // Plain fields: assigning them notifies nobody.

    /// Brings the reader window forward; installed by the application.
    std::function<void()> showReader;

    /// The running long workflow. At most one runs at a time, exactly while `busy`.
    /// QCoro tasks start eagerly, so a workflow creates the token, sets `busy`, and only
    /// then starts the task and stores it here; its own last step resets `job` (dropping a
    /// Task while its coroutine runs is safe: QCoro frees the frame when it finishes).
    struct Job
    {
        CancellationToken token;
        std::optional<QCoro::Task<>> task;
    };
    std::optional<Job> job;

    QUrl voiceURL;          ///< The narration audio file.
    QString voiceDirectory; ///< The temporary folder of the narration parts.
    QString sourceBaseline; ///< The source text as last opened or exported.
    QString outputBaseline; ///< The output text as last opened or exported.
    /// The timed segments the source text was rendered from; empty unless the source is a
    /// transcript, opened or made by a transcription.
    QList<TranscriptSegment> transcriptSegments;

Q_SIGNALS:
    void sourceTextChanged(const QString &value);
    void outputTextChanged(const QString &value);
    void sourceNameChanged(const QString &value);
    void sourceURLChanged(const QUrl &value);
    void outputKindChanged(telvora::OutputKind value);
    void generatedKindChanged(telvora::OutputKind value);
    void lengthChanged(telvora::OutputLength value);
    void readerShowsSourceChanged(bool value);
    void diarizationChanged(bool value);
    void speakerCountChanged(qint64 value);
    void detectedSpeakersChanged(qint64 value);
    void timecodesChanged(bool value);
    void speakerNamesChanged(const QString &value);
    void whisperModelChanged(const QString &value);
    void languageChanged(const QString &value);
    void vocabularyChanged(const QString &value);
    void segmentationModelChanged(const QString &value);
    void embeddingModelChanged(const QString &value);
    void voiceEnabledChanged(bool value);
    void providerChanged(telvora::VoiceProvider value);
    void openAIVoiceChanged(const QString &value);
    void elevenVoiceChanged(const QString &value);
    void elevenVoicesChanged(const QList<telvora::Voice> &value);
    void textModelChanged(const QString &value);
    void narrationModelChanged(const QString &value);
    void openAISpeechModelChanged(const QString &value);
    void elevenModelChanged(const QString &value);
    void busyChanged(bool value);
    void statusChanged(const QString &value);
    void errorMessageChanged(const std::optional<QString> &value);
    void showSettingsChanged(bool value);
    void showTranscriptionOptionsChanged(bool value);
    void sourcePlayingChanged(bool value);
    void voicePlayingChanged(bool value);
    void meterLevelChanged(double value);
    void waveformChanged(const QList<double> &value);
    void durationChanged(double value);
    void voicesLoadingChanged(bool value);
    void isExampleChanged(bool value);
    // The players are not properties; these tell views that one came or went.
    void sourcePlayerChanged();
    void voicePlayerChanged();
    void transcriptionProgressChanged(const std::optional<telvora::TranscriptionProgress> &value);

private:
    // Stores `value` and emits `changed` when it differs; answers whether it did.
    template<typename T, typename Signal>
    bool assign(T &field, const T &value, Signal changed)
    {
        if (field == value)
            return false;
        field = value;
        Q_EMIT(this->*changed)(field);
        return true;
    }

    void writeSetting(QStringView key, const QString &value);

    struct GenerationRequest
    {
        QString source;
        QString output;
        OutputKind kind;
        OutputLength length;
        QString key;
        QString model;
        bool narrate;
    };
    struct TranscriptionRequest
    {
        QUrl source;
        LocalTranscriptionOptions options;
        QString text;
        bool timecodes;
    };
    struct OpenedText
    {
        QString text;
        qint64 speakers = 0;
        QList<TranscriptSegment> segments;
    };

    void startJob(const std::function<QCoro::Task<>(CancellationToken)> &work);
    QCoro::Task<> runJob(QCoro::Task<> work);
    QCoro::Task<> generation(GenerationRequest request, CancellationToken token);
    QCoro::Task<> transcription(TranscriptionRequest request, CancellationToken token);
    ProgressCallback progressReceiver(const CancellationToken &token);
    /// Makes the narration of the output text and installs it; throws on failure, leaving
    /// the previous narration as it was.
    QCoro::Task<> synthesize(bool play, CancellationToken token);
    void playNarration();
    void requestSettings(QStringView statusLine);
    /// Shows how a workflow ended by an error: "Cancelado", or "Erro" and the message.
    void report(std::exception_ptr error);
    void showFailure(const QString &message);
    OpenedText readSourceFile(const QString &path, const QString &extension) const;
    void resetAudio();
    void openRecording(const QUrl &url);
    QCoro::Task<> applyWaveform(QUrl url);
    void meterPass();
    void meterTick();

    QSettings *m_settings;
    KeychainStore m_keychain;
    UserPrompts *m_prompts;
    ProviderEndpoints m_endpoints;
    // Shared by every provider request of the workflows.
    QNetworkAccessManager m_network;
    // The running fetch of the ElevenLabs voices.
    std::optional<CancellationToken> m_voicesFetch;

    QString m_sourceText;
    QString m_outputText;
    QString m_sourceName;
    QUrl m_sourceURL;
    OutputKind m_outputKind = OutputKind::summary;
    OutputKind m_generatedKind = OutputKind::summary;
    OutputLength m_length = OutputLength::medium;
    bool m_readerShowsSource = false;
    bool m_diarization = true;
    qint64 m_speakerCount = 0;
    qint64 m_detectedSpeakers = 0;
    bool m_timecodes = true;
    QString m_speakerNames;
    QString m_whisperModel;
    QString m_language;
    QString m_vocabulary;
    QString m_segmentationModel;
    QString m_embeddingModel;
    bool m_voiceEnabled = false;
    VoiceProvider m_provider = VoiceProvider::openAI;
    QString m_openAIVoice;
    QString m_elevenVoice;
    QList<Voice> m_elevenVoices;
    QString m_textModel;
    QString m_narrationModel;
    QString m_openAISpeechModel;
    QString m_elevenModel;
    bool m_busy = false;
    QString m_status;
    std::optional<QString> m_errorMessage;
    bool m_showSettings = false;
    bool m_showTranscriptionOptions = false;
    bool m_sourcePlaying = false;
    bool m_voicePlaying = false;
    double m_meterLevel = 0;
    QList<double> m_waveform;
    double m_duration = 0;
    bool m_voicesLoading = false;
    bool m_isExample = false;

    AudioPlayerFactory m_playerFactory;
    std::unique_ptr<AudioPlayer> m_sourcePlayer;
    std::unique_ptr<AudioPlayer> m_voicePlayer;
    // The metering loop: a timer rather than a coroutine, so that a session closed while a
    // pass is pending leaves no suspended frame behind.
    QTimer m_audioPoll;
    static constexpr std::chrono::milliseconds meterInterval{80};

    std::optional<TranscriptionProgress> m_transcriptionProgress;
    ProgressEstimator m_progressEstimator;
};

} // namespace telvora

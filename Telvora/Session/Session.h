#pragma once

#include "Telvora/Transcription/TranscriptionProgress.h"
#include "TelvoraCore/Transcript/TranscriptSegment.h"
#include "TelvoraCore/Vocabulary/OutputKind.h"
#include "TelvoraCore/Vocabulary/OutputLength.h"
#include "TelvoraCore/Vocabulary/Voice.h"
#include "TelvoraCore/Vocabulary/VoiceProvider.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

namespace telvora {

/// What the console and the reader show: the texts, the user's choices, and the state of
/// the running work and of playback. Lives on the GUI thread; every setter stores the value
/// and emits its signal only on a real change.
///
/// The state is written by the workflows (GenerationWorkflow, TranscriptionWorkflow,
/// NarrationWorkflow, DocumentWorkflow, Playback); the views read it and call operations.
/// Empty QUrl and QString values stand for "none" in the file locations.
class Session : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString sourceText READ sourceText WRITE setSourceText NOTIFY sourceTextChanged)
    Q_PROPERTY(QString outputText READ outputText WRITE setOutputText NOTIFY outputTextChanged)
    Q_PROPERTY(QString sourceName READ sourceName WRITE setSourceName NOTIFY sourceNameChanged)
    Q_PROPERTY(QUrl sourceURL READ sourceURL WRITE setSourceURL NOTIFY sourceURLChanged)
    Q_PROPERTY(bool readerShowsSource READ readerShowsSource WRITE setReaderShowsSource NOTIFY readerShowsSourceChanged)
    Q_PROPERTY(bool isExample READ isExample WRITE setIsExample NOTIFY isExampleChanged)
    Q_PROPERTY(qint64 detectedSpeakers READ detectedSpeakers WRITE setDetectedSpeakers NOTIFY detectedSpeakersChanged)
    Q_PROPERTY(bool diarization READ diarization WRITE setDiarization NOTIFY diarizationChanged)
    Q_PROPERTY(qint64 speakerCount READ speakerCount WRITE setSpeakerCount NOTIFY speakerCountChanged)
    Q_PROPERTY(bool timecodes READ timecodes WRITE setTimecodes NOTIFY timecodesChanged)
    Q_PROPERTY(QString speakerNames READ speakerNames WRITE setSpeakerNames NOTIFY speakerNamesChanged)
    Q_PROPERTY(bool voiceEnabled READ voiceEnabled WRITE setVoiceEnabled NOTIFY voiceEnabledChanged)
    Q_PROPERTY(QString openAIVoice READ openAIVoice WRITE setOpenAIVoice NOTIFY openAIVoiceChanged)
    Q_PROPERTY(QString elevenVoice READ elevenVoice WRITE setElevenVoice NOTIFY elevenVoiceChanged)
    Q_PROPERTY(bool voicesLoading READ voicesLoading WRITE setVoicesLoading NOTIFY voicesLoadingChanged)
    Q_PROPERTY(QUrl narrationAudio READ narrationAudio WRITE setNarrationAudio NOTIFY narrationAudioChanged)
    Q_PROPERTY(bool busy READ busy WRITE setBusy NOTIFY busyChanged)
    Q_PROPERTY(QString status READ status WRITE setStatus NOTIFY statusChanged)
    Q_PROPERTY(bool hasSourcePlayer READ hasSourcePlayer WRITE setHasSourcePlayer NOTIFY hasSourcePlayerChanged)
    Q_PROPERTY(bool sourcePlaying READ sourcePlaying WRITE setSourcePlaying NOTIFY sourcePlayingChanged)
    Q_PROPERTY(bool voicePlaying READ voicePlaying WRITE setVoicePlaying NOTIFY voicePlayingChanged)
    Q_PROPERTY(double meterLevel READ meterLevel WRITE setMeterLevel NOTIFY meterLevelChanged)
    Q_PROPERTY(QList<double> waveform READ waveform WRITE setWaveform NOTIFY waveformChanged)
    Q_PROPERTY(double duration READ duration WRITE setDuration NOTIFY durationChanged)

public:
    explicit Session(QObject *parent = nullptr);

    // The texts and what they came from.
    const QString &sourceText() const { return m_sourceText; }
    void setSourceText(const QString &value);
    const QString &outputText() const { return m_outputText; }
    void setOutputText(const QString &value);
    const QString &sourceName() const { return m_sourceName; }
    void setSourceName(const QString &value);
    const QUrl &sourceURL() const { return m_sourceURL; }
    void setSourceURL(const QUrl &value);
    bool readerShowsSource() const { return m_readerShowsSource; }
    void setReaderShowsSource(bool value);
    bool isExample() const { return m_isExample; }
    void setIsExample(bool value);
    OutputKind generatedKind() const { return m_generatedKind; }
    void setGeneratedKind(OutputKind value);
    qint64 detectedSpeakers() const { return m_detectedSpeakers; }
    void setDetectedSpeakers(qint64 value);
    /// The timed segments the source text was rendered from; empty unless the source is a
    /// transcript, opened or made by a transcription.
    const QList<TranscriptSegment> &transcriptSegments() const { return m_transcriptSegments; }
    void setTranscriptSegments(const QList<TranscriptSegment> &value);

    /// True when either text differs from the version last opened or exported.
    bool hasUnsavedChanges() const;
    /// Takes both texts as they stand now as the saved versions.
    void markSaved();
    /// Takes the reader's text as saved, after an export.
    void markReaderTextSaved();
    /// A fresh document was made: the output text counts as unsaved from now on.
    void markOutputUnsaved();
    /// A fresh transcript was made: the source text counts as unsaved from now on.
    void markSourceUnsaved();

    // What the reader shows and edits.
    QString readerText() const;
    void setReaderText(const QString &text);
    QString readerTitle() const;
    bool readerIsCode() const;

    // The console's choices.
    OutputKind outputKind() const { return m_outputKind; }
    void setOutputKind(OutputKind value);
    OutputLength length() const { return m_length; }
    void setLength(OutputLength value);
    bool diarization() const { return m_diarization; }
    void setDiarization(bool value);
    qint64 speakerCount() const { return m_speakerCount; }
    void setSpeakerCount(qint64 value);
    bool timecodes() const { return m_timecodes; }
    void setTimecodes(bool value);
    const QString &speakerNames() const { return m_speakerNames; }
    void setSpeakerNames(const QString &value);
    bool voiceEnabled() const { return m_voiceEnabled; }
    void setVoiceEnabled(bool value);
    VoiceProvider provider() const { return m_provider; }
    void setProvider(VoiceProvider value);
    const QString &openAIVoice() const { return m_openAIVoice; }
    void setOpenAIVoice(const QString &value);
    const QString &elevenVoice() const { return m_elevenVoice; }
    void setElevenVoice(const QString &value);
    /// The chosen voice of the current provider; writing stores into that provider's field.
    const QString &voiceID() const;
    void setVoiceID(const QString &value);
    const QList<Voice> &elevenVoices() const { return m_elevenVoices; }
    void setElevenVoices(const QList<Voice> &value);
    bool voicesLoading() const { return m_voicesLoading; }
    void setVoicesLoading(bool value);

    // The running work.
    bool busy() const { return m_busy; }
    void setBusy(bool value);
    const QString &status() const { return m_status; }
    void setStatus(const QString &value);
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    void setErrorMessage(const std::optional<QString> &value);
    /// How far the running transcription got; none when none runs or it reported nothing yet.
    const std::optional<TranscriptionProgress> &transcriptionProgress() const { return m_transcriptionProgress; }
    void setTranscriptionProgress(const std::optional<TranscriptionProgress> &value);

    // Playback.
    /// The narration audio file; empty while there is no narration.
    const QUrl &narrationAudio() const { return m_narrationAudio; }
    void setNarrationAudio(const QUrl &value);
    /// True when the opened source is a recording the console can play.
    bool hasSourcePlayer() const { return m_hasSourcePlayer; }
    void setHasSourcePlayer(bool value);
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

Q_SIGNALS:
    void sourceTextChanged(const QString &value);
    void outputTextChanged(const QString &value);
    void sourceNameChanged(const QString &value);
    void sourceURLChanged(const QUrl &value);
    void readerShowsSourceChanged(bool value);
    void isExampleChanged(bool value);
    void generatedKindChanged(telvora::OutputKind value);
    void detectedSpeakersChanged(qint64 value);
    void transcriptSegmentsChanged();
    void outputKindChanged(telvora::OutputKind value);
    void lengthChanged(telvora::OutputLength value);
    void diarizationChanged(bool value);
    void speakerCountChanged(qint64 value);
    void timecodesChanged(bool value);
    void speakerNamesChanged(const QString &value);
    void voiceEnabledChanged(bool value);
    void providerChanged(telvora::VoiceProvider value);
    void openAIVoiceChanged(const QString &value);
    void elevenVoiceChanged(const QString &value);
    void elevenVoicesChanged(const QList<telvora::Voice> &value);
    void voicesLoadingChanged(bool value);
    void busyChanged(bool value);
    void statusChanged(const QString &value);
    void errorMessageChanged(const std::optional<QString> &value);
    void transcriptionProgressChanged(const std::optional<telvora::TranscriptionProgress> &value);
    void narrationAudioChanged(const QUrl &value);
    void hasSourcePlayerChanged(bool value);
    void sourcePlayingChanged(bool value);
    void voicePlayingChanged(bool value);
    void meterLevelChanged(double value);
    void waveformChanged(const QList<double> &value);
    void durationChanged(double value);

private:
    template<typename T, typename... Arguments>
    bool assign(T &field, const T &value, void (Session::*changed)(Arguments...))
    {
        if (field == value)
            return false;
        field = value;
        if constexpr (sizeof...(Arguments) == 0)
            Q_EMIT(this->*changed)();
        else
            Q_EMIT(this->*changed)(field);
        return true;
    }

    QString m_sourceText;
    QString m_outputText;
    QString m_sourceBaseline;
    QString m_outputBaseline;
    QString m_sourceName;
    QUrl m_sourceURL;
    bool m_readerShowsSource = false;
    bool m_isExample = false;
    OutputKind m_generatedKind = OutputKind::summary;
    qint64 m_detectedSpeakers = 0;
    QList<TranscriptSegment> m_transcriptSegments;
    OutputKind m_outputKind = OutputKind::summary;
    OutputLength m_length = OutputLength::medium;
    bool m_diarization = true;
    qint64 m_speakerCount = 0;
    bool m_timecodes = true;
    QString m_speakerNames;
    bool m_voiceEnabled = false;
    VoiceProvider m_provider = VoiceProvider::openAI;
    QString m_openAIVoice;
    QString m_elevenVoice;
    QList<Voice> m_elevenVoices;
    bool m_voicesLoading = false;
    bool m_busy = false;
    QString m_status;
    std::optional<QString> m_errorMessage;
    std::optional<TranscriptionProgress> m_transcriptionProgress;
    QUrl m_narrationAudio;
    bool m_hasSourcePlayer = false;
    bool m_sourcePlaying = false;
    bool m_voicePlaying = false;
    double m_meterLevel = 0;
    QList<double> m_waveform;
    double m_duration = 0;
};

} // namespace telvora

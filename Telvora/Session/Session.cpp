#include "Telvora/Session/Session.h"

#include "Telvora/Media/FileAudioPlayer.h"
#include "Telvora/Session/SessionSettings.h"
#include "Telvora/Session/SessionTexts.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QDir>
#include <QNetworkReply>
#include <QSettings>

#include <algorithm>

namespace telvora {

namespace {

// A missing key, or one that does not hold text, gives the entry's fallback.
QString readSetting(const QSettings &settings, SessionSettings::Entry entry)
{
    const QVariant value = settings.value(entry.key.toString());
    if (value.typeId() != QMetaType::QString)
        return entry.fallback.toString();
    return value.toString();
}

bool offersVoice(const QList<Voice> &voices, const QString &id)
{
    return std::any_of(voices.cbegin(), voices.cend(), [&id](const Voice &voice) { return voice.id == id; });
}

} // namespace

Session::Session(QSettings &settings, CredentialBackend &credentials, UserPrompts &prompts, ProviderEndpoints endpoints,
                 QObject *parent)
    : QObject(parent)
    , m_settings(&settings)
    , m_keychain(credentials)
    , m_prompts(&prompts)
    , m_endpoints(std::move(endpoints))
    , m_sourceName(SessionTexts::noSource.toString())
    , m_whisperModel(readSetting(settings, SessionSettings::whisperModel))
    , m_language(readSetting(settings, SessionSettings::language))
    , m_vocabulary(readSetting(settings, SessionSettings::vocabulary))
    , m_segmentationModel(readSetting(settings, SessionSettings::segmentationModel))
    , m_embeddingModel(readSetting(settings, SessionSettings::embeddingModel))
    , m_textModel(readSetting(settings, SessionSettings::textModel))
    , m_narrationModel(readSetting(settings, SessionSettings::narrationModel))
    , m_openAISpeechModel(readSetting(settings, SessionSettings::openAISpeechModel))
    , m_elevenModel(readSetting(settings, SessionSettings::elevenModel))
    , m_status(SessionTexts::ready.toString())
    , m_playerFactory(FileAudioPlayer::factory())
{
    const QList<Voice> voices = AIModels::voices(m_openAISpeechModel);
    m_openAIVoice = voices.isEmpty() ? SessionTexts::initialVoiceFallback.toString() : voices.first().id;
    m_audioPoll.setInterval(meterInterval);
    m_audioPoll.setTimerType(Qt::PreciseTimer);
    connect(&m_audioPoll, &QTimer::timeout, this, &Session::meterTick);
}

Session::~Session()
{
    m_audioPoll.stop();
    // A job or a voice fetch still running would resume into a destroyed session once its
    // reply went away with the network manager: end them now, while every member is alive.
    if (job || m_voicesFetch) {
        if (job)
            job->token.cancel();
        if (m_voicesFetch)
            m_voicesFetch->cancel();
        const auto replies = m_network.findChildren<QNetworkReply *>();
        for (QNetworkReply *reply : replies)
            reply->abort();
    }
    // The narration's files are temporary: they never outlive the session.
    discardVoice();
}

bool Session::hasUnsavedChanges() const { return m_sourceText != sourceBaseline || m_outputText != outputBaseline; }

LocalTranscriptionOptions Session::transcriptionOptions() const
{
    return {m_whisperModel, m_language,     m_vocabulary,        m_diarization,
            m_speakerCount, m_speakerNames, m_segmentationModel, m_embeddingModel};
}

void Session::setTranscriptionOptions(const LocalTranscriptionOptions &options)
{
    setWhisperModel(options.model);
    setLanguage(options.language);
    setVocabulary(options.vocabulary);
    setDiarization(options.diarization);
    setSpeakerCount(options.speakerCount);
    setSpeakerNames(options.speakerNames);
    setSegmentationModel(options.segmentationModel);
    setEmbeddingModel(options.embeddingModel);
}

void Session::discardVoice()
{
    if (m_voicePlayer) {
        m_voicePlayer->stop();
        m_voicePlayer.reset();
        Q_EMIT voicePlayerChanged();
    }
    voiceURL = QUrl();
    setVoicePlaying(false);
    if (!voiceDirectory.isEmpty()) {
        QDir(voiceDirectory).removeRecursively(); // leftovers are the temp folder's to clean
        voiceDirectory.clear();
    }
}

void Session::writeSetting(QStringView key, const QString &value) { m_settings->setValue(key.toString(), value); }

void Session::setSourceText(const QString &value) { assign(m_sourceText, value, &Session::sourceTextChanged); }

void Session::setOutputText(const QString &value)
{
    if (assign(m_outputText, value, &Session::outputTextChanged))
        discardVoice();
}

void Session::setSourceName(const QString &value) { assign(m_sourceName, value, &Session::sourceNameChanged); }
void Session::setSourceURL(const QUrl &value) { assign(m_sourceURL, value, &Session::sourceURLChanged); }
void Session::setOutputKind(OutputKind value) { assign(m_outputKind, value, &Session::outputKindChanged); }
void Session::setGeneratedKind(OutputKind value) { assign(m_generatedKind, value, &Session::generatedKindChanged); }
void Session::setLength(OutputLength value) { assign(m_length, value, &Session::lengthChanged); }

void Session::setReaderShowsSource(bool value)
{
    assign(m_readerShowsSource, value, &Session::readerShowsSourceChanged);
}

void Session::setDiarization(bool value) { assign(m_diarization, value, &Session::diarizationChanged); }
void Session::setSpeakerCount(qint64 value) { assign(m_speakerCount, value, &Session::speakerCountChanged); }

void Session::setDetectedSpeakers(qint64 value)
{
    assign(m_detectedSpeakers, value, &Session::detectedSpeakersChanged);
}

void Session::setTimecodes(bool value) { assign(m_timecodes, value, &Session::timecodesChanged); }
void Session::setSpeakerNames(const QString &value) { assign(m_speakerNames, value, &Session::speakerNamesChanged); }

// The transcription settings persist on every assignment, equal or not, so the stored
// values always match the fields.
void Session::setWhisperModel(const QString &value)
{
    assign(m_whisperModel, value, &Session::whisperModelChanged);
    writeSetting(SessionSettings::whisperModel.key, value);
}

void Session::setLanguage(const QString &value)
{
    assign(m_language, value, &Session::languageChanged);
    writeSetting(SessionSettings::language.key, value);
}

void Session::setVocabulary(const QString &value)
{
    assign(m_vocabulary, value, &Session::vocabularyChanged);
    writeSetting(SessionSettings::vocabulary.key, value);
}

void Session::setSegmentationModel(const QString &value)
{
    assign(m_segmentationModel, value, &Session::segmentationModelChanged);
    writeSetting(SessionSettings::segmentationModel.key, value);
}

void Session::setEmbeddingModel(const QString &value)
{
    assign(m_embeddingModel, value, &Session::embeddingModelChanged);
    writeSetting(SessionSettings::embeddingModel.key, value);
}

void Session::setVoiceEnabled(bool value) { assign(m_voiceEnabled, value, &Session::voiceEnabledChanged); }

// Narration audio is derived from the text, the provider, the voice and the models: any
// real change of them drops it.
void Session::setProvider(VoiceProvider value)
{
    if (assign(m_provider, value, &Session::providerChanged))
        discardVoice();
}

void Session::setOpenAIVoice(const QString &value)
{
    if (assign(m_openAIVoice, value, &Session::openAIVoiceChanged))
        discardVoice();
}

void Session::setElevenVoice(const QString &value)
{
    if (assign(m_elevenVoice, value, &Session::elevenVoiceChanged))
        discardVoice();
}

void Session::setElevenVoices(const QList<Voice> &value)
{
    assign(m_elevenVoices, value, &Session::elevenVoicesChanged);
}

void Session::setTextModel(const QString &value) { assign(m_textModel, value, &Session::textModelChanged); }

void Session::setNarrationModel(const QString &value)
{
    if (assign(m_narrationModel, value, &Session::narrationModelChanged))
        discardVoice();
}

void Session::setOpenAISpeechModel(const QString &value)
{
    const bool changed = assign(m_openAISpeechModel, value, &Session::openAISpeechModelChanged);
    if (!offersVoice(AIModels::voices(value), m_openAIVoice))
        setOpenAIVoice(SessionTexts::voiceFallback.toString());
    if (changed)
        discardVoice();
}

void Session::setElevenModel(const QString &value)
{
    if (assign(m_elevenModel, value, &Session::elevenModelChanged))
        discardVoice();
}

void Session::setBusy(bool value) { assign(m_busy, value, &Session::busyChanged); }
void Session::setStatus(const QString &value) { assign(m_status, value, &Session::statusChanged); }

void Session::setErrorMessage(const std::optional<QString> &value)
{
    assign(m_errorMessage, value, &Session::errorMessageChanged);
}

void Session::setShowSettings(bool value) { assign(m_showSettings, value, &Session::showSettingsChanged); }

void Session::setShowTranscriptionOptions(bool value)
{
    assign(m_showTranscriptionOptions, value, &Session::showTranscriptionOptionsChanged);
}

void Session::setSourcePlaying(bool value) { assign(m_sourcePlaying, value, &Session::sourcePlayingChanged); }
void Session::setVoicePlaying(bool value) { assign(m_voicePlaying, value, &Session::voicePlayingChanged); }
void Session::setMeterLevel(double value) { assign(m_meterLevel, value, &Session::meterLevelChanged); }
void Session::setWaveform(const QList<double> &value) { assign(m_waveform, value, &Session::waveformChanged); }
void Session::setDuration(double value) { assign(m_duration, value, &Session::durationChanged); }
void Session::setVoicesLoading(bool value) { assign(m_voicesLoading, value, &Session::voicesLoadingChanged); }
void Session::setIsExample(bool value) { assign(m_isExample, value, &Session::isExampleChanged); }

} // namespace telvora

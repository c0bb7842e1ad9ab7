#include "Telvora/Session/Session.h"

#include "Telvora/Session/SessionTexts.h"

namespace telvora {

Session::Session(QObject *parent)
    : QObject(parent)
    , m_sourceName(SessionTexts::noSource.toString())
    , m_status(SessionTexts::ready.toString())
{}

bool Session::hasUnsavedChanges() const { return m_sourceText != m_sourceBaseline || m_outputText != m_outputBaseline; }

void Session::markSaved()
{
    m_sourceBaseline = m_sourceText;
    m_outputBaseline = m_outputText;
}

void Session::markReaderTextSaved()
{
    if (m_readerShowsSource)
        m_sourceBaseline = m_sourceText;
    else
        m_outputBaseline = m_outputText;
}

void Session::markOutputUnsaved() { m_outputBaseline.clear(); }
void Session::markSourceUnsaved() { m_sourceBaseline.clear(); }

QString Session::readerText() const { return m_readerShowsSource ? m_sourceText : m_outputText; }

void Session::setReaderText(const QString &text)
{
    if (m_readerShowsSource)
        setSourceText(text);
    else
        setOutputText(text);
}

QString Session::readerTitle() const
{
    return m_readerShowsSource ? SessionTexts::originalTitle.toString() : m_generatedKind.title();
}

bool Session::readerIsCode() const { return !m_readerShowsSource && m_generatedKind == OutputKind::quintara; }

const QString &Session::voiceID() const { return m_provider == VoiceProvider::openAI ? m_openAIVoice : m_elevenVoice; }

void Session::setVoiceID(const QString &value)
{
    if (m_provider == VoiceProvider::openAI)
        setOpenAIVoice(value);
    else
        setElevenVoice(value);
}

void Session::setSourceText(const QString &value) { assign(m_sourceText, value, &Session::sourceTextChanged); }
void Session::setOutputText(const QString &value) { assign(m_outputText, value, &Session::outputTextChanged); }
void Session::setSourceName(const QString &value) { assign(m_sourceName, value, &Session::sourceNameChanged); }
void Session::setSourceURL(const QUrl &value) { assign(m_sourceURL, value, &Session::sourceURLChanged); }

void Session::setReaderShowsSource(bool value)
{
    assign(m_readerShowsSource, value, &Session::readerShowsSourceChanged);
}

void Session::setIsExample(bool value) { assign(m_isExample, value, &Session::isExampleChanged); }
void Session::setGeneratedKind(OutputKind value) { assign(m_generatedKind, value, &Session::generatedKindChanged); }

void Session::setDetectedSpeakers(qint64 value)
{
    assign(m_detectedSpeakers, value, &Session::detectedSpeakersChanged);
}

void Session::setTranscriptSegments(const QList<TranscriptSegment> &value)
{
    assign(m_transcriptSegments, value, &Session::transcriptSegmentsChanged);
}

void Session::setOutputKind(OutputKind value) { assign(m_outputKind, value, &Session::outputKindChanged); }
void Session::setLength(OutputLength value) { assign(m_length, value, &Session::lengthChanged); }
void Session::setDiarization(bool value) { assign(m_diarization, value, &Session::diarizationChanged); }
void Session::setSpeakerCount(qint64 value) { assign(m_speakerCount, value, &Session::speakerCountChanged); }
void Session::setTimecodes(bool value) { assign(m_timecodes, value, &Session::timecodesChanged); }
void Session::setSpeakerNames(const QString &value) { assign(m_speakerNames, value, &Session::speakerNamesChanged); }
void Session::setVoiceEnabled(bool value) { assign(m_voiceEnabled, value, &Session::voiceEnabledChanged); }
void Session::setProvider(VoiceProvider value) { assign(m_provider, value, &Session::providerChanged); }
void Session::setOpenAIVoice(const QString &value) { assign(m_openAIVoice, value, &Session::openAIVoiceChanged); }
void Session::setElevenVoice(const QString &value) { assign(m_elevenVoice, value, &Session::elevenVoiceChanged); }

void Session::setElevenVoices(const QList<Voice> &value)
{
    assign(m_elevenVoices, value, &Session::elevenVoicesChanged);
}

void Session::setVoicesLoading(bool value) { assign(m_voicesLoading, value, &Session::voicesLoadingChanged); }
void Session::setBusy(bool value) { assign(m_busy, value, &Session::busyChanged); }
void Session::setStatus(const QString &value) { assign(m_status, value, &Session::statusChanged); }

void Session::setErrorMessage(const std::optional<QString> &value)
{
    assign(m_errorMessage, value, &Session::errorMessageChanged);
}

void Session::setTranscriptionProgress(const std::optional<TranscriptionProgress> &value)
{
    assign(m_transcriptionProgress, value, &Session::transcriptionProgressChanged);
}

void Session::setNarrationAudio(const QUrl &value) { assign(m_narrationAudio, value, &Session::narrationAudioChanged); }

void Session::setHasSourcePlayer(bool value) { assign(m_hasSourcePlayer, value, &Session::hasSourcePlayerChanged); }
void Session::setSourcePlaying(bool value) { assign(m_sourcePlaying, value, &Session::sourcePlayingChanged); }
void Session::setVoicePlaying(bool value) { assign(m_voicePlaying, value, &Session::voicePlayingChanged); }
void Session::setMeterLevel(double value) { assign(m_meterLevel, value, &Session::meterLevelChanged); }
void Session::setWaveform(const QList<double> &value) { assign(m_waveform, value, &Session::waveformChanged); }
void Session::setDuration(double value) { assign(m_duration, value, &Session::durationChanged); }

} // namespace telvora

#include "tests/session/state/SessionFixture.h"

#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {
namespace {

using SessionSettingsTest = SessionFixture;

using TextGetter = const QString &(Settings::*)() const;
using TextSetter = void (Settings::*)(const QString &);

struct PersistedText
{
    const char *name;
    QString key;
    TextGetter get;
    TextSetter set;
};

// The five transcription settings, written through by every assignment.
const QList<PersistedText> transcriptionSettings{
    {"whisperModel", u"whisperModel"_s, &Settings::whisperModel, &Settings::setWhisperModel},
    {"language", u"transcriptionLanguage"_s, &Settings::language, &Settings::setLanguage},
    {"vocabulary", u"transcriptionVocabulary"_s, &Settings::vocabulary, &Settings::setVocabulary},
    {"segmentationModel", u"segmentationModel"_s, &Settings::segmentationModel, &Settings::setSegmentationModel},
    {"embeddingModel", u"embeddingModel"_s, &Settings::embeddingModel, &Settings::setEmbeddingModel},
};

// The four model choices, which only the settings window's save writes.
const QList<PersistedText> modelSettings{
    {"textModel", u"textModel"_s, &Settings::textModel, &Settings::setTextModel},
    {"narrationModel", u"narrationModel"_s, &Settings::narrationModel, &Settings::setNarrationModel},
    {"openAISpeechModel", u"openAISpeechModel"_s, &Settings::openAISpeechModel, &Settings::setOpenAISpeechModel},
    {"elevenModel", u"elevenModel"_s, &Settings::elevenModel, &Settings::setElevenModel},
};

TEST_F(SessionSettingsTest, FirstLaunchStartsFromTheDefaultsAndWritesNothing)
{
    const Session &s = makeSession();

    EXPECT_EQ(workflows->settings().whisperModel(), u"large-v3-turbo"_s);
    EXPECT_EQ(workflows->settings().language(), u"pt"_s);
    EXPECT_EQ(workflows->settings().vocabulary(), QString());
    EXPECT_EQ(workflows->settings().segmentationModel(), QString());
    EXPECT_EQ(workflows->settings().embeddingModel(), QString());
    EXPECT_EQ(workflows->settings().textModel(), u"gpt-5.4-mini"_s);
    EXPECT_EQ(workflows->settings().narrationModel(), QString());
    EXPECT_EQ(workflows->settings().openAISpeechModel(), u"gpt-4o-mini-tts"_s);
    EXPECT_EQ(workflows->settings().elevenModel(), u"eleven_v4"_s);
    EXPECT_EQ(s.openAIVoice(), u"marin"_s); // first voice the default speech model offers

    EXPECT_EQ(s.sourceName(), u"Nenhum arquivo"_s);
    EXPECT_EQ(s.status(), u"Pronto"_s);
    EXPECT_TRUE(s.sourceText().isEmpty());
    EXPECT_TRUE(s.outputText().isEmpty());
    EXPECT_TRUE(s.sourceURL().isEmpty());
    EXPECT_EQ(s.outputKind(), OutputKind::summary);
    EXPECT_EQ(s.generatedKind(), OutputKind::summary);
    EXPECT_EQ(s.length(), OutputLength::medium);
    EXPECT_EQ(s.provider(), VoiceProvider::openAI);
    EXPECT_TRUE(s.diarization());
    EXPECT_TRUE(s.timecodes());
    EXPECT_FALSE(s.voiceEnabled());
    EXPECT_FALSE(s.busy());
    EXPECT_FALSE(s.errorMessage().has_value());
    EXPECT_FALSE(s.readerShowsSource());
    EXPECT_EQ(s.speakerCount(), 0);
    EXPECT_FALSE(s.hasUnsavedChanges());
    EXPECT_FALSE(s.busy());

    settings->sync();
    EXPECT_TRUE(settings->allKeys().isEmpty());
}

TEST_F(SessionSettingsTest, StoredValuesReplaceTheDefaultsAndNonTextFallsBack)
{
    for (const PersistedText &setting : transcriptionSettings + modelSettings)
        settings->setValue(setting.key, QString(u"stored "_s + QString::fromLatin1(setting.name)));
    // A list is not text: that one key falls back to its default.
    settings->setValue(u"textModel"_s, QStringList{u"a"_s, u"b"_s});
    closeAll();
    openSettings();

    makeSession();

    for (const PersistedText &setting : transcriptionSettings + modelSettings) {
        SCOPED_TRACE(setting.name);
        const QString expected =
            setting.key == u"textModel"_s ? u"gpt-5.4-mini"_s : u"stored "_s + QString::fromLatin1(setting.name);
        EXPECT_EQ((workflows->settings().*setting.get)(), expected);
    }
}

TEST_F(SessionSettingsTest, InitialVoiceIsTheFirstOfTheStoredSpeechModel)
{
    settings->setValue(u"openAISpeechModel"_s, u"tts-1"_s);
    const Session &s = makeSession();

    EXPECT_EQ(workflows->settings().openAISpeechModel(), u"tts-1"_s);
    // The legacy model does not offer "marin"; its first voice is "nova".
    EXPECT_EQ(s.openAIVoice(), u"nova"_s);
}

TEST_F(SessionSettingsTest, TranscriptionSettingsAreWrittenOnEveryAssignmentButNotifyOnlyOnChange)
{
    makeSession();
    const Settings &stored = workflows->settings();
    for (const PersistedText &setting : transcriptionSettings) {
        SCOPED_TRACE(setting.name);
        const QMetaMethod signal =
            stored.metaObject()->property(stored.metaObject()->indexOfProperty(setting.name)).notifySignal();
        QSignalSpy changes(&stored, signal);

        (workflows->settings().*setting.set)(u"value of "_s + QString::fromLatin1(setting.name));
        EXPECT_EQ(settings->value(setting.key), QString(u"value of "_s + QString::fromLatin1(setting.name)));
        EXPECT_EQ(changes.count(), 1);

        // An equal assignment still writes the key, silently.
        settings->remove(setting.key);
        (workflows->settings().*setting.set)(u"value of "_s + QString::fromLatin1(setting.name));
        EXPECT_EQ(settings->value(setting.key), QString(u"value of "_s + QString::fromLatin1(setting.name)));
        EXPECT_EQ(changes.count(), 1);
    }
}

TEST_F(SessionSettingsTest, ModelChoicesAreNotWrittenByAssignment)
{
    makeSession();
    for (const PersistedText &setting : modelSettings) {
        SCOPED_TRACE(setting.name);
        (workflows->settings().*setting.set)(u"tts-1-hd"_s);
        EXPECT_EQ((workflows->settings().*setting.get)(), u"tts-1-hd"_s);
        EXPECT_FALSE(settings->contains(setting.key));
    }
}

TEST_F(SessionSettingsTest, ASecondSessionReadsWhatTheFirstPersistedAndNothingElse)
{
    {
        Session &s = makeSession();
        for (const PersistedText &setting : transcriptionSettings)
            (workflows->settings().*setting.set)(u"kept "_s + QString::fromLatin1(setting.name));
        workflows->settings().setTextModel(u"not kept"_s);
        s.setSourceText(u"texto"_s);
        s.setOutputKind(OutputKind::quintara);
        s.setLength(OutputLength::long_);
        s.setProvider(VoiceProvider::elevenLabs);
        s.setDiarization(false);
        s.setSpeakerCount(3);
        s.setSpeakerNames(u"Ana, Bruno"_s);
        s.setTimecodes(false);
        s.setVoiceEnabled(true);
    }
    closeAll();

    QFile file(settingsPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("whisperModel=kept whisperModel"));

    openSettings();
    const Session &s = makeSession();
    for (const PersistedText &setting : transcriptionSettings) {
        SCOPED_TRACE(setting.name);
        EXPECT_EQ((workflows->settings().*setting.get)(), u"kept "_s + QString::fromLatin1(setting.name));
    }
    EXPECT_EQ(workflows->settings().textModel(), u"gpt-5.4-mini"_s);
    EXPECT_TRUE(s.sourceText().isEmpty());
    EXPECT_EQ(s.outputKind(), OutputKind::summary);
    EXPECT_EQ(s.length(), OutputLength::medium);
    EXPECT_EQ(s.provider(), VoiceProvider::openAI);
    EXPECT_TRUE(s.diarization());
    EXPECT_EQ(s.speakerCount(), 0);
    EXPECT_TRUE(s.speakerNames().isEmpty());
    EXPECT_TRUE(s.timecodes());
    EXPECT_FALSE(s.voiceEnabled());
}

TEST_F(SessionSettingsTest, TranscriptionOptionsReadTheFieldsAndAssignThemInRecordOrder)
{
    Session &s = makeSession();
    s.setSpeakerNames(u"Ana, Bruno"_s);
    s.setSpeakerCount(2);
    const LocalTranscriptionOptions expected{u"large-v3-turbo"_s, u"pt"_s,   QString(), true, 2,
                                             u"Ana, Bruno"_s,     QString(), QString()};
    EXPECT_EQ(workflows->transcription().options(), expected);

    QStringList order;
    // Record the notification order through a plain connection per field.
    const auto track = [&](auto signal, const char *name) {
        QObject::connect(&s, signal, &s, [&order, name] { order.append(QString::fromLatin1(name)); });
    };
    const auto trackSettings = [&](auto signal, const char *name) {
        QObject::connect(&workflows->settings(), signal, &s,
                         [&order, name] { order.append(QString::fromLatin1(name)); });
    };
    trackSettings(&Settings::whisperModelChanged, "model");
    trackSettings(&Settings::languageChanged, "language");
    trackSettings(&Settings::vocabularyChanged, "vocabulary");
    track(&Session::diarizationChanged, "diarization");
    track(&Session::speakerCountChanged, "speakerCount");
    track(&Session::speakerNamesChanged, "speakerNames");
    trackSettings(&Settings::segmentationModelChanged, "segmentationModel");
    trackSettings(&Settings::embeddingModelChanged, "embeddingModel");

    settings->clear();
    const LocalTranscriptionOptions changed{u"large-v3"_s, u"en"_s,        u"Quintara"_s, false, 4,
                                            u"Carla"_s,    u"/seg.onnx"_s, u"/emb.onnx"_s};
    workflows->transcription().setOptions(changed);
    EXPECT_EQ(workflows->transcription().options(), changed);
    EXPECT_EQ(order,
              (QStringList{u"model"_s, u"language"_s, u"vocabulary"_s, u"diarization"_s, u"speakerCount"_s,
                           u"speakerNames"_s, u"segmentationModel"_s, u"embeddingModel"_s}));

    // Changing one value still writes all five persisted keys.
    settings->clear();
    LocalTranscriptionOptions oneChange = changed;
    oneChange.language = u"es"_s;
    workflows->transcription().setOptions(oneChange);
    EXPECT_EQ(settings->value(u"whisperModel"_s), u"large-v3"_s);
    EXPECT_EQ(settings->value(u"transcriptionLanguage"_s), u"es"_s);
    EXPECT_EQ(settings->value(u"transcriptionVocabulary"_s), u"Quintara"_s);
    EXPECT_EQ(settings->value(u"segmentationModel"_s), u"/seg.onnx"_s);
    EXPECT_EQ(settings->value(u"embeddingModel"_s), u"/emb.onnx"_s);
}

} // namespace
} // namespace telvora::test

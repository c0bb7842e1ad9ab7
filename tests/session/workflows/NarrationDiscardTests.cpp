#include "tests/session/workflows/WorkflowFixture.h"

#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QSignalSpy>

#include <algorithm>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {
namespace {

// Narration audio is derived data: real changes of what it was made from drop it, with its
// player and its folder, and equal assignments keep it.
using NarrationDiscard = WorkflowFixture;

TEST_F(NarrationDiscard, RealChangesOfTextVoiceProviderAndModelsDiscardTheNarration)
{
    Session &s = makeWorkflowSession();
    struct Row
    {
        const char *name;
        std::function<void()> assignCurrent;
        std::function<void()> assignOther;
        bool discards;
    };
    const QList<Row> rows{
        {"outputText", [&] { s.setOutputText(s.outputText()); }, [&] { s.setOutputText(s.outputText() + u"!"_s); },
         true},
        {"provider", [&] { s.setProvider(s.provider()); },
         [&] {
             s.setProvider(s.provider() == VoiceProvider::openAI ? VoiceProvider::elevenLabs : VoiceProvider::openAI);
         },
         true},
        {"openAIVoice", [&] { s.setOpenAIVoice(s.openAIVoice()); }, [&] { s.setOpenAIVoice(u"cedar"_s); }, true},
        {"elevenVoice", [&] { s.setElevenVoice(s.elevenVoice()); }, [&] { s.setElevenVoice(s.elevenVoice() + u"v"_s); },
         true},
        {"narrationModel", [&] { workflows->settings().setNarrationModel(workflows->settings().narrationModel()); },
         [&] { workflows->settings().setNarrationModel(workflows->settings().narrationModel() + u"m"_s); }, true},
        {"elevenModel", [&] { workflows->settings().setElevenModel(workflows->settings().elevenModel()); },
         [&] { workflows->settings().setElevenModel(workflows->settings().elevenModel() + u"m"_s); }, true},
        {"openAISpeechModel",
         [&] { workflows->settings().setOpenAISpeechModel(workflows->settings().openAISpeechModel()); },
         [&] { workflows->settings().setOpenAISpeechModel(workflows->settings().openAISpeechModel() + u"-next"_s); },
         true},
        {"sourceText", [&] { s.setSourceText(s.sourceText()); }, [&] { s.setSourceText(s.sourceText() + u"s"_s); },
         false},
        {"textModel", [&] { workflows->settings().setTextModel(workflows->settings().textModel()); },
         [&] { workflows->settings().setTextModel(workflows->settings().textModel() + u"t"_s); }, false},
        {"whisperModel", [&] { workflows->settings().setWhisperModel(workflows->settings().whisperModel()); },
         [&] { workflows->settings().setWhisperModel(u"small"_s); }, false},
        {"speakerNames", [&] { s.setSpeakerNames(s.speakerNames()); }, [&] { s.setSpeakerNames(u"Ana"_s); }, false},
        {"status", [&] { s.setStatus(s.status()); }, [&] { s.setStatus(u"Gerando resumo…"_s); }, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        s.setProvider(VoiceProvider::openAI);
        makeNarration();
        row.assignCurrent();
        EXPECT_TRUE(hasNarration()) << "an equal assignment must keep the narration";
        const QString narrationFolder = this->narrationFolder();
        EXPECT_TRUE(QFileInfo::exists(narrationFolder));

        row.assignOther();
        EXPECT_EQ(!hasNarration(), row.discards);
        EXPECT_EQ(!QFileInfo::exists(narrationFolder), row.discards);
        if (!row.discards)
            workflows->narration().discardVoice();
    }
}

TEST_F(NarrationDiscard, DiscardingTheNarrationClearsEveryTraceOfIt)
{
    Session &s = makeWorkflowSession();
    makeNarration();
    workflows->narration().listen(); // playing again
    ASSERT_TRUE(s.voicePlaying());
    const QString narrationFolder = this->narrationFolder();
    QSignalSpy playing(&s, &Session::voicePlayingChanged);
    QSignalSpy audio(&s, &Session::narrationAudioChanged);

    workflows->narration().discardVoice();

    EXPECT_TRUE(s.narrationAudio().isEmpty());
    EXPECT_EQ(audio.count(), 1);
    EXPECT_EQ(workflows->playback().voicePlayer(), nullptr);
    EXPECT_FALSE(s.voicePlaying());
    EXPECT_EQ(playing.count(), 1);
    EXPECT_FALSE(QFileInfo::exists(narrationFolder));

    // A folder already gone is no obstacle.
    makeNarration();
    ASSERT_TRUE(QDir(this->narrationFolder()).removeRecursively());
    workflows->narration().discardVoice();
    EXPECT_FALSE(hasNarration());
}

TEST_F(NarrationDiscard, SpeechModelChangesMoveAVoiceTheModelLacksToCoral)
{
    struct Row
    {
        const char *name;
        QString voiceBefore;
        QString modelBefore;
        QString model;
        QString voiceAfter;
        bool discards;
    };
    const QList<Row> rows{
        {"legacy model lacks marin", u"marin"_s, u"gpt-4o-mini-tts"_s, u"tts-1"_s, u"coral"_s, true},
        {"legacy model offers nova", u"nova"_s, u"gpt-4o-mini-tts"_s, u"tts-1-hd"_s, u"nova"_s, true},
        {"same model offering the voice", u"cedar"_s, u"gpt-4o-mini-tts"_s, u"gpt-4o-mini-tts"_s, u"cedar"_s, false},
        {"same model lacking the voice", u"verse"_s, u"tts-1"_s, u"tts-1"_s, u"coral"_s, true},
        {"new model offering every voice", u"verse"_s, u"tts-1"_s, u"gpt-4o-mini-tts-2025-12-15"_s, u"verse"_s, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Session &s = makeWorkflowSession();
        workflows->settings().setOpenAISpeechModel(row.modelBefore);
        s.setOpenAIVoice(row.voiceBefore); // may lie outside the model's list, as after a restart
        // A voice the model lacks cannot be narrated (the provider refuses it).
        const QList<Voice> offered = AIModels::voices(row.modelBefore);
        const bool narrated = std::any_of(offered.cbegin(), offered.cend(),
                                          [&row](const Voice &voice) { return voice.id == row.voiceBefore; });
        if (narrated)
            makeNarration();
        QSignalSpy modelChanges(&workflows->settings(), &Settings::openAISpeechModelChanged);
        QSignalSpy voiceChanges(&s, &Session::openAIVoiceChanged);

        workflows->settings().setOpenAISpeechModel(row.model);

        EXPECT_EQ(s.openAIVoice(), row.voiceAfter);
        EXPECT_EQ(voiceChanges.count(), row.voiceAfter == row.voiceBefore ? 0 : 1);
        if (narrated) {
            EXPECT_EQ(!hasNarration(), row.discards);
        }
        EXPECT_EQ(modelChanges.count(), row.model == row.modelBefore ? 0 : 1);
        workflows->narration().discardVoice();
        closeAll();
        openSettings();
    }
}

} // namespace
} // namespace telvora::test

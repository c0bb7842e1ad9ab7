#include "Telvora/Interface/Console/ConsoleLayout.h"
#include "Telvora/Interface/Reader/EditableDocument.h"
#include "Telvora/Interface/Reader/ReaderView.h"
#include "Telvora/Session/SessionTexts.h"
#include "tests/interface/console/ConsoleFixture.h"
#include "tests/session/workflows/NarrationFixture.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

namespace telvora::test {
namespace {

namespace Layout = ConsoleLayout;
using namespace Qt::Literals::StringLiterals;

LoopbackServer::Reply voicePage(const QList<Voice> &voices)
{
    QJsonArray list;
    for (const Voice &voice : voices)
        list.append(QJsonObject{{u"voice_id"_s, voice.id}, {u"name"_s, voice.name}});
    return LoopbackServer::Reply::json(QJsonObject{{u"voices"_s, list}, {u"has_more"_s, false}});
}

class ControllerActionTests : public ConsoleFixture
{
protected:
    void click(const QString &name)
    {
        QAbstractButton *button = control(name);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() / 2));
    }
};

TEST_F(ControllerActionTests, keysReachTheirWorkflows)
{
    const std::shared_ptr<FakeAudioPlayer::State> recording = openRecording();
    ASSERT_NE(recording, nullptr);
    auto narration = players.make(30);
    workflows->playback().installVoicePlayer(std::make_unique<FakeAudioPlayer>(narration));
    session->setNarrationAudio(QUrl::fromLocalFile(folder.filePath(u"narracao.m4a"_s)));
    ControllerView &console = makeView();
    console.resize(802, 1442);
    console.show();

    click(u"Reproduzir áudio original"_s);
    EXPECT_TRUE(session->sourcePlaying());
    EXPECT_TRUE(recording->playing);
    click(u"Pausar áudio original"_s);
    EXPECT_FALSE(session->sourcePlaying());
    EXPECT_EQ(recording->pauses, 1);
    click(u"Reproduzir áudio original"_s);
    click(u"Parar áudio original"_s);
    EXPECT_FALSE(session->sourcePlaying());
    EXPECT_FALSE(recording->playing);
    EXPECT_EQ(recording->stops, 1);

    click(u"Ouvir"_s);
    EXPECT_TRUE(session->voicePlaying());
    EXPECT_TRUE(narration->playing);

    click(u"Exportar áudio"_s);
    ASSERT_EQ(prompts.saveDialogsShown.size(), 1);
    EXPECT_EQ(prompts.saveDialogsShown.first().proposedName, workflows->narration().audioExportFileName());

    for (const char16_t *name : {u"Fechar painel", u"Minimizar painel", u"Ampliar ou restaurar painel"})
        click(QString::fromUtf16(name));
    EXPECT_EQ(calls, (QStringList{u"close"_s, u"minimize"_s, u"zoom"_s}));

    // Last, since the alert it raises is modal: without the local engine the transcription
    // stops at telling so, which proves it was asked for.
    const QByteArray runtime = qgetenv("TELVORA_TRANSCRIPTION_RUNTIME");
    qputenv("TELVORA_TRANSCRIPTION_RUNTIME", folder.filePath(u"sem-engine"_s).toUtf8());
    click(u"Transcrever"_s);
    qputenv("TELVORA_TRANSCRIPTION_RUNTIME", runtime);
    EXPECT_EQ(session->errorMessage(), SessionTexts::transcriptionEngineMissing.toString());
}

TEST_F(ControllerActionTests, openKeyAsksForAFile)
{
    makeView().show();
    click(u"Abrir arquivo"_s);
    EXPECT_EQ(prompts.openDialogsShown.size(), 1);
}

TEST_F(ControllerActionTests, disabledKeyDoesNothing)
{
    // While busy, keys whose workflows would act (ask for a file, for a save location, for
    // the settings) are off.
    session->setNarrationAudio(QUrl::fromLocalFile(folder.filePath(u"narracao.m4a"_s)));
    session->setSourceURL(QUrl::fromLocalFile(folder.filePath(u"fala.mp3"_s)));
    makeView().show();
    QSignalSpy settingsAsked(view.get(), &ControllerView::settingsRequested);
    ASSERT_FALSE(control(u"GERAR"_s)->isEnabled());
    click(u"GERAR"_s);
    session->setBusy(true);
    for (const char16_t *name : {u"Abrir arquivo", u"Modelos e ajustes", u"Exportar áudio", u"Transcrever"}) {
        ASSERT_FALSE(control(QString::fromUtf16(name))->isEnabled());
        click(QString::fromUtf16(name));
    }
    EXPECT_TRUE(prompts.openDialogsShown.isEmpty());
    EXPECT_TRUE(prompts.saveDialogsShown.isEmpty());
    EXPECT_EQ(settingsAsked.count(), 0);
    EXPECT_EQ(settingsShown, 0);
    EXPECT_EQ(session->errorMessage(), std::nullopt);
    EXPECT_EQ(session->status(), u"Pronto"_s);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(ControllerActionTests, generateStartsAndWhileBusyCancels)
{
    session->setSourceText(u"Uma fonte."_s);
    makeView().show();
    // Without an OpenAI key the generation asks for the settings: proof that it ran.
    click(u"GERAR"_s);
    EXPECT_TRUE(QTest::qWaitFor([this] { return settingsShown == 1; }, 5000));
    EXPECT_EQ(session->status(), SessionTexts::configureOpenAI.toString());

    session->setBusy(true);
    ASSERT_TRUE(control(u"CANCELAR"_s)->isEnabled());
    click(u"CANCELAR"_s);
    EXPECT_EQ(session->status(), u"Cancelando…"_s);
    EXPECT_TRUE(session->busy());
}

TEST_F(ControllerActionTests, selectionKeysWriteOnlyADifferentChoice)
{
    makeView().show();
    QStringList changes;
    QObject::connect(session, &Session::outputKindChanged, [&] { changes << u"kind"_s; });
    QObject::connect(session, &Session::lengthChanged, [&] { changes << u"length"_s; });
    click(u"Quintara"_s);
    EXPECT_EQ(session->outputKind(), OutputKind::quintara);
    click(u"Quintara"_s);
    click(u"Longa"_s);
    EXPECT_EQ(session->length(), OutputLength::long_);
    click(u"Longa"_s);
    EXPECT_EQ(changes, (QStringList{u"kind"_s, u"length"_s}));
}

TEST_F(ControllerActionTests, switchesToggleTheirFlags)
{
    makeView().show();
    const bool diarization = session->diarization();
    click(u"Identificar falantes"_s);
    EXPECT_EQ(session->diarization(), !diarization);
    const bool voice = session->voiceEnabled();
    click(u"Gerar áudio"_s);
    EXPECT_EQ(session->voiceEnabled(), !voice);
}

TEST_F(ControllerActionTests, settingsKeyAndOpenTextAskForTheirWindows)
{
    session->setSourceText(u"Fonte."_s);
    makeView().show();
    QSignalSpy settingsAsked(view.get(), &ControllerView::settingsRequested);
    click(u"Modelos e ajustes"_s);
    EXPECT_EQ(settingsAsked.count(), 1);
    EXPECT_EQ(readerShown, 0);

    ASSERT_FALSE(session->readerShowsSource());
    click(u"Abrir texto"_s);
    EXPECT_TRUE(session->readerShowsSource());
    EXPECT_EQ(readerShown, 1);
    EXPECT_EQ(settingsAsked.count(), 1);
}

TEST_F(ControllerActionTests, choosingElevenLabsRefreshesVoicesOnlyWhenItHasNone)
{
    credentials.items.insert(u"elevenlabs"_s, "el-test");
    server.enqueue(voicePage({{u"v1"_s, u"Ana"_s}}));
    session->setProvider(VoiceProvider::openAI);
    makeView().show();
    click(u"ElevenLabs"_s);
    EXPECT_EQ(session->provider(), VoiceProvider::elevenLabs);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !session->voicesLoading(); }, 10000));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().path, QByteArray("/v2/voices"));
    EXPECT_EQ(session->elevenVoices(), (QList<Voice>{{u"v1"_s, u"Ana"_s}}));

    click(u"OpenAI"_s);
    EXPECT_EQ(session->provider(), VoiceProvider::openAI);
    click(u"ElevenLabs"_s);
    EXPECT_FALSE(session->voicesLoading()) << "no refresh started";
    QTest::qWait(50);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(ControllerActionTests, dragStripTakesTheWholeTopStrip)
{
    ControllerView &console = makeView();
    console.resize(802, 1442);
    QWidget *strip = console.childAt(QPoint(600, 20));
    ASSERT_NE(strip, nullptr);
    EXPECT_NE(dynamic_cast<DragStrip *>(strip), nullptr);
    EXPECT_EQ(strip->geometry(), Layout::dragStrip.toAlignedRect());
}

// A console whose narrations are made for real against the loopback server (the fixture
// keeps their folders and the speech cache inside the test's own folder); only the player
// is a fake one.
class ConsoleNarration : public ControllerActionTests
{
protected:
    void SetUp() override
    {
        ControllerActionTests::SetUp();
        ASSERT_FALSE(mp3Tone(0.4).isEmpty()) << "the ffmpeg command could not make an MP3";

        credentials.items.insert(u"openai"_s, "sk-test");
        session->setOutputText(document);
        session->setVoiceEnabled(true);
    }
};

TEST_F(ConsoleNarration, editingTheNarratedDocumentTurnsTheAudioExportOff)
{
    makeView().show();
    ReaderView reader(*workflows);
    reader.show();
    server.enqueue({script(u"Roteiro curto."_s), speech(0.4)});
    click(u"Ouvir"_s);
    ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
    ASSERT_EQ(session->status(), u"Áudio pronto"_s);
    ASSERT_FALSE(session->narrationAudio().isEmpty());
    ASSERT_TRUE(control(u"Exportar áudio"_s)->isEnabled());
    // Paused first: a narration that stops playing would notify the console on its own.
    click(u"Pausar"_s);
    ASSERT_FALSE(session->voicePlaying());

    // One edit, one change of the text: a later one would find the narration already gone.
    QTextEdit *text = reader.document()->textView();
    text->setFocus();
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, u"!"_s);
    ASSERT_EQ(session->outputText(), document + u"!"_s);

    EXPECT_TRUE(session->narrationAudio().isEmpty());
    EXPECT_FALSE(control(u"Exportar áudio"_s)->isEnabled());
    click(u"Exportar áudio"_s);
    EXPECT_TRUE(prompts.saveDialogsShown.isEmpty());
}

} // namespace
} // namespace telvora::test

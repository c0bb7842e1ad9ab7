#include "Telvora/Interface/Console/ConsoleLayout.h"
#include "Telvora/Interface/Console/StatusDisplay.h"
#include "tests/interface/console/ConsoleFixture.h"

#include <QMessageBox>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QTest>

namespace telvora::test {
namespace {

namespace Layout = ConsoleLayout;
using namespace Qt::Literals::StringLiterals;

class ControllerStateTests : public ConsoleFixture
{
};

// Which controls are enabled, by name, in a given session state.
struct Enabled
{
    bool open, settings, play, stop, speakerSwitch, speakerMenu, transcribe, openText, kinds, lengths, generate,
        voiceSwitch, providers, voiceMenu, listen, exportAudio;
};

TEST_F(ControllerStateTests, enablingRulesFollowTheSession)
{
    struct Case
    {
        const char *name;
        std::function<void()> state;
        Enabled enabled;
        QString generateCaption;
    };
    const auto none = [] {};
    const Case cases[] = {
        {"nothing opened: no source location, so no transcription",
         none,
         {true, true, false, false, true, true, false, false, true, true, false, true, true, true, false, false},
         u"GERAR"_s},
        {"plain text file: text, no player",
         [this] {
             session->setSourceURL(QUrl::fromLocalFile(u"/tmp/notas.txt"_s));
             session->setSourceText(u"Um texto."_s);
         },
         {true, true, false, false, true, true, false, true, true, true, true, true, true, true, false, false},
         u"GERAR"_s},
        {"recording: player, no text",
         [this] {
             session->setHasSourcePlayer(true);
             session->setSourceURL(QUrl::fromLocalFile(u"/tmp/fala.mp3"_s));
         },
         {true, true, true, true, true, true, true, false, true, true, false, true, true, true, false, false},
         u"GERAR"_s},
        {"transcript with its recording beside: played, never transcribed",
         [this] {
             session->setHasSourcePlayer(true);
             session->setSourceURL(QUrl::fromLocalFile(u"/tmp/entrevista.json"_s));
             session->setSourceText(u"Ana: Oi."_s);
         },
         {true, true, true, true, true, true, false, true, true, true, true, true, true, true, false, false},
         u"GERAR"_s},
        {"file that opened with neither player nor text can still be transcribed",
         [this] { session->setSourceURL(QUrl::fromLocalFile(u"/tmp/estranho.bin"_s)); },
         {true, true, false, false, true, true, true, false, true, true, false, true, true, true, false, false},
         u"GERAR"_s},
        {"speaker menu off with the speaker switch",
         [this] { session->setDiarization(false); },
         {true, true, false, false, true, false, false, false, true, true, false, true, true, true, false, false},
         u"GERAR"_s},
        {"voice on and a document: listen before any narration",
         [this] {
             session->setVoiceEnabled(true);
             session->setOutputText(u"Documento."_s);
         },
         {true, true, false, false, true, true, false, false, true, true, false, true, true, true, true, false},
         u"GERAR"_s},
        {"narration present: listen and export",
         [this] { session->setNarrationAudio(QUrl::fromLocalFile(u"/tmp/narracao.m4a"_s)); },
         {true, true, false, false, true, true, false, false, true, true, false, true, true, true, true, true},
         u"GERAR"_s},
        {"busy: only cancel, play/stop and open text stay",
         [this] {
             session->setHasSourcePlayer(true);
             session->setSourceURL(QUrl::fromLocalFile(u"/tmp/fala.mp3"_s));
             session->setSourceText(u"Transcrito."_s);
             session->setNarrationAudio(QUrl::fromLocalFile(u"/tmp/narracao.m4a"_s));
             session->setBusy(true);
         },
         {false, false, true, true, false, false, false, true, false, false, true, false, false, false, false, false},
         u"CANCELAR"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        makeConsoleSession();
        c.state();
        makeView();
        const Enabled &e = c.enabled;
        EXPECT_EQ(control(u"Abrir arquivo"_s)->isEnabled(), e.open);
        EXPECT_EQ(control(u"Modelos e ajustes"_s)->isEnabled(), e.settings);
        EXPECT_EQ(control(u"Reproduzir áudio original"_s)->isEnabled(), e.play);
        EXPECT_EQ(control(u"Parar áudio original"_s)->isEnabled(), e.stop);
        EXPECT_EQ(control(u"Identificar falantes"_s)->isEnabled(), e.speakerSwitch);
        EXPECT_EQ(element<ConsoleMenuButton>(Layout::speakerMenu)->isEnabled(), e.speakerMenu);
        EXPECT_EQ(control(u"Transcrever"_s)->isEnabled(), e.transcribe);
        EXPECT_EQ(control(u"Abrir texto"_s)->isEnabled(), e.openText);
        for (const char16_t *kind : {u"Resumo", u"Sinopse", u"Literária", u"Instrucional", u"Quintara"})
            EXPECT_EQ(control(QString::fromUtf16(kind))->isEnabled(), e.kinds);
        for (const char16_t *length : {u"Curta", u"Média", u"Longa"})
            EXPECT_EQ(control(QString::fromUtf16(length))->isEnabled(), e.lengths);
        EXPECT_EQ(control(c.generateCaption)->isEnabled(), e.generate);
        EXPECT_EQ(control(u"Gerar áudio"_s)->isEnabled(), e.voiceSwitch);
        EXPECT_EQ(control(u"ElevenLabs"_s)->isEnabled(), e.providers);
        EXPECT_EQ(control(u"OpenAI"_s)->isEnabled(), e.providers);
        EXPECT_EQ(element<ConsoleMenuButton>(Layout::voiceMenu)->isEnabled(), e.voiceMenu);
        EXPECT_EQ(control(u"Ouvir"_s)->isEnabled(), e.listen);
        EXPECT_EQ(control(u"Exportar áudio"_s)->isEnabled(), e.exportAudio);
        view.reset();
    }
}

TEST_F(ControllerStateTests, captionsAndSelectionFollowTheSession)
{
    makeView();
    auto *play = element<ConsoleKey>(Layout::playKey);
    EXPECT_EQ(play->text(), u"▶"_s);
    session->setSourcePlaying(true);
    EXPECT_EQ(play->text(), u"Ⅱ"_s);
    EXPECT_EQ(play->accessibleName(), u"Pausar áudio original"_s);
    session->setVoicePlaying(true);
    EXPECT_EQ(element<ConsoleKey>(Layout::listenKey)->text(), u"Pausar"_s);

    session->setOutputKind(OutputKind::literary);
    auto *literary = element<ConsoleKey>(Layout::kindKey(2));
    EXPECT_TRUE(literary->keyStyle().lit);
    EXPECT_FALSE(literary->keyStyle().dark);
    EXPECT_EQ(literary->accessibleDescription(), u"Selecionado"_s);
    EXPECT_FALSE(element<ConsoleKey>(Layout::kindKey(0))->keyStyle().lit);
    EXPECT_TRUE(element<ConsoleKey>(Layout::kindKey(0))->accessibleDescription().isEmpty());

    session->setLength(OutputLength::long_);
    auto *longKey = element<ConsoleKey>(Layout::lengthKey(2));
    auto *shortKey = element<ConsoleKey>(Layout::lengthKey(0));
    EXPECT_TRUE(longKey->keyStyle().lit);
    EXPECT_FALSE(longKey->keyStyle().dark);
    EXPECT_EQ(longKey->accessibleDescription(), u"Selecionada"_s);
    EXPECT_TRUE(shortKey->keyStyle().dark);
    EXPECT_EQ(shortKey->keyStyle().captionColour(), QColor(Qt::white));

    auto *generate = element<ConsoleKey>(Layout::generateKey);
    EXPECT_TRUE(generate->keyStyle().lit && generate->keyStyle().deepPress && !generate->keyStyle().dark);
    workflows->settings().setTextModel(u"gpt-5"_s);
    EXPECT_EQ(generate->toolTip(), u"Modelo de texto: gpt-5. Altere em Modelos e API."_s);

    auto *speakers = element<LampSwitch>(Layout::speakerSwitch);
    session->setDiarization(true);
    EXPECT_EQ(speakers->accessibleDescription(), u"Ativado"_s);
    session->setDiarization(false);
    EXPECT_EQ(speakers->accessibleDescription(), u"Desativado"_s);

    session->setProvider(VoiceProvider::elevenLabs);
    EXPECT_TRUE(control<ProviderButton>(u"ElevenLabs"_s)->isSelected());
    EXPECT_EQ(control(u"ElevenLabs"_s)->accessibleDescription(), u"Selecionado"_s);
    EXPECT_FALSE(control<ProviderButton>(u"OpenAI"_s)->isSelected());
}

TEST_F(ControllerStateTests, statusDisplayIsUpperCasedWithTheStatusAsTooltip)
{
    makeView();
    session->setStatus(u"Texto pronto"_s);
    auto *status = element<StatusDisplay>(Layout::statusDisplay);
    EXPECT_EQ(status->text(), u"TEXTO PRONTO"_s);
    EXPECT_EQ(status->toolTip(), u"Texto pronto"_s);
    EXPECT_EQ(status->accessibleName(), u"Estado: Texto pronto"_s);
}

TEST_F(ControllerStateTests, statusDisplayKeepsTheTranscriptionProgressOnItsSecondLine)
{
    makeView();
    const QString transcribing = u"Transcrevendo · large-v3-turbo…"_s;
    session->setStatus(transcribing);
    auto *status = element<StatusDisplay>(Layout::statusDisplay);
    const struct
    {
        const char *name;
        TranscriptionProgress progress;
    } cases[]{
        {"a percentage", {TranscriptionProgress::Stage::recognition, 0.42, std::nullopt}},
        {"a time left too wide for the display, shown by the reader",
         {TranscriptionProgress::Stage::recognition, 0.42, 150}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        session->setTranscriptionProgress(c.progress);
        const QStringList lines = status->shown().lines;
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[0], u"TRANSCREVENDO"_s) << "whole words only; the model's name does not fit";
        EXPECT_EQ(lines[1], u"42\u00A0%"_s);
        EXPECT_EQ(status->toolTip(), transcribing);
        EXPECT_EQ(status->accessibleName(), u"Estado: "_s + transcribing);
    }
    session->setTranscriptionProgress(std::nullopt);
    EXPECT_EQ(status->text(), transcribing.toUpper());
}

TEST_F(ControllerStateTests, sourceInfoLineCases)
{
    struct Case
    {
        const char *name;
        double duration;
        qint64 speakers;
        bool example;
        QString text;
        QString expected;
    };
    const Case cases[] = {
        {"example without duration", 0, 0, true, u"x"_s, u"Texto de exemplo · 2 falantes"_s},
        {"text file counts characters, no grouping", 0, 0, false, QString(1234, u'a'), u"1234 caracteres"_s},
        {"user-perceived characters", 0, 0, false, u"e\u0301👍🏽"_s, u"2 caracteres"_s},
        {"recording without speakers", 75, 0, false, {}, u"00:01:15 · Áudio original"_s},
        {"recording with speakers", 3600, 3, true, {}, u"01:00:00 · 3 falantes"_s},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ControllerView::sourceInfoLine(c.duration, c.speakers, c.example, c.text), c.expected) << c.name;

    makeView();
    session->setSourceName(u"entrevista.mp3"_s);
    session->setDuration(75);
    auto *display = element<SourceDisplay>(Layout::sourceDisplay);
    EXPECT_EQ(display->shownName(), u"entrevista.mp3"_s);
    EXPECT_EQ(display->info(), u"00:01:15 · Áudio original"_s);
    session->setSourceName(QString(200, u'n') + u".mp3"_s);
    EXPECT_TRUE(display->shownName().contains(u"…"_s)) << "a long name is cut in the middle";
    EXPECT_TRUE(display->shownName().endsWith(u".mp3"_s));
}

TEST_F(ControllerStateTests, previewCollapsesOnePassOfBlankLinesAndShowsThreeLines)
{
    EXPECT_EQ(ControllerView::previewText({}), u"Abra um texto ou transcreva o áudio."_s);
    EXPECT_EQ(ControllerView::previewText(u"a\n\n\nb"_s), u"a\n\nb"_s);
    EXPECT_EQ(ControllerView::previewText(u"a\n\n\n\nb"_s), u"a\n\nb"_s);
    makeView();
    session->setSourceText(u"um\n\ndois\n\n\ntrês\nquatro"_s);
    auto *preview = element<TextDisplay>(Layout::transcriptPreview);
    const QStringList lines = preview->shownLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], u"um"_s);
    EXPECT_EQ(lines[1], u"dois"_s);
    EXPECT_TRUE(lines[2].isEmpty() || lines[2] == u"…"_s) << lines[2].toStdString();
}

TEST_F(ControllerStateTests, speakerMenuCaptionAndItems)
{
    makeView();
    auto *menuButton = element<ConsoleMenuButton>(Layout::speakerMenu);
    EXPECT_EQ(menuButton->text(), u"Falantes: Auto"_s);
    QMenu &menu = menuButton->preparedMenu();
    QStringList titles;
    for (QAction *action : menu.actions())
        titles << (action->isSeparator() ? u"—"_s : action->text());
    EXPECT_EQ(titles,
              (QStringList{u"Automático"_s, u"1 falantes"_s, u"2 falantes"_s, u"3 falantes"_s, u"4 falantes"_s,
                           u"5 falantes"_s, u"6 falantes"_s, u"7 falantes"_s, u"8 falantes"_s, u"—"_s,
                           u"Opções de transcrição…"_s}));
    menu.actions()[3]->trigger();
    EXPECT_EQ(session->speakerCount(), 3);
    EXPECT_EQ(menuButton->text(), u"Falantes: 3"_s);
    menuButton->preparedMenu().actions()[0]->trigger();
    EXPECT_EQ(session->speakerCount(), 0);
    QSignalSpy optionsAsked(view.get(), &ControllerView::transcriptionOptionsRequested);
    menuButton->preparedMenu().actions().last()->trigger();
    EXPECT_EQ(optionsAsked.count(), 1);
}

TEST_F(ControllerStateTests, voiceMenuCaptionAndItemsPerProvider)
{
    makeView();
    auto *menuButton = element<ConsoleMenuButton>(Layout::voiceMenu);
    session->setOpenAIVoice(u"nenhuma"_s);
    EXPECT_EQ(menuButton->text(), u"Voz: Selecionar  ⌄"_s);
    session->setOpenAIVoice(u"coral"_s);
    EXPECT_EQ(menuButton->text(), u"Voz: Coral  ⌄"_s);
    QMenu &openAI = menuButton->preparedMenu();
    EXPECT_FALSE(openAI.actions().isEmpty());
    for (QAction *action : openAI.actions())
        EXPECT_NE(action->text(), u"Atualizar vozes"_s);
    openAI.actions().first()->trigger();
    EXPECT_EQ(session->openAIVoice(), Voice::openAI().first().id);

    session->setElevenVoices({{u"v1"_s, u"Ana"_s}, {u"v2"_s, u"Bruno"_s}});
    session->setProvider(VoiceProvider::elevenLabs);
    session->setElevenVoice(u"v2"_s);
    EXPECT_EQ(menuButton->text(), u"Voz: Bruno  ⌄"_s);
    QStringList titles;
    for (QAction *action : menuButton->preparedMenu().actions())
        titles << (action->isSeparator() ? u"—"_s : action->text());
    EXPECT_EQ(titles, (QStringList{u"Ana"_s, u"Bruno"_s, u"—"_s, u"Atualizar vozes"_s}));
    menuButton->preparedMenu().actions().first()->trigger();
    EXPECT_EQ(session->elevenVoice(), u"v1"_s);
    EXPECT_EQ(session->openAIVoice(), Voice::openAI().first().id) << "the other provider's choice stays";
    credentials.items.insert(u"elevenlabs"_s, "el-test");
    server.enqueue(LoopbackServer::Reply::stall(R"({"voices":[)", 5));
    QSignalSpy stalled(&server, &LoopbackServer::stalled);
    menuButton->preparedMenu().actions().last()->trigger();
    EXPECT_TRUE(session->voicesLoading());
    ASSERT_TRUE(stalled.wait(10000));
    EXPECT_EQ(menuButton->preparedMenu().actions().last()->text(), u"Carregando…"_s);
    menuButton->preparedMenu().actions().last()->trigger();
    EXPECT_EQ(server.requests().size(), 1) << "a refresh asked for while one runs is ignored";
    ASSERT_EQ(server.requests().first().path, QByteArray("/v2/voices"));

    session->setElevenVoices({});
    EXPECT_EQ(menuButton->text(), u"Voz: Selecionar  ⌄"_s);
}

TEST_F(ControllerStateTests, activityLampShowsWhileBusyOrAfterAnError)
{
    ControllerView &console = makeView();
    console.resize(802, 1442);
    const QPoint lamp = Layout::activityLamp.center().toPoint();
    const auto lampPixel = [&] { return console.grab().toImage().pixel(lamp); };
    session->setStatus(u"Pronto"_s);
    const QRgb off = lampPixel();
    session->setBusy(true);
    const QRgb lit = lampPixel();
    EXPECT_NE(lit, off);
    session->setBusy(false);
    session->setStatus(u"Erro"_s);
    EXPECT_EQ(lampPixel(), lit);
    for (const char16_t *status : {u"Pronto", u"Texto pronto", u"Cancelado"}) {
        session->setStatus(QString::fromUtf16(status));
        EXPECT_EQ(lampPixel(), off);
    }
}

TEST_F(ControllerStateTests, errorMessageShowsAnAlertThatClearsIt)
{
    makeView();
    session->setErrorMessage(u"A chave não foi aceita."_s);
    auto *alert = view->findChild<QMessageBox *>();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->windowTitle(), u"Telvora"_s);
    EXPECT_EQ(alert->text(), u"A chave não foi aceita."_s);
    ASSERT_NE(alert->button(QMessageBox::Ok), nullptr);
    alert->button(QMessageBox::Ok)->click();
    EXPECT_EQ(session->errorMessage(), std::nullopt);

    session->setErrorMessage(u"Outra."_s);
    alert = view->findChild<QMessageBox *>();
    ASSERT_NE(alert, nullptr);
    alert->reject();
    EXPECT_EQ(session->errorMessage(), std::nullopt) << "any dismissal clears the message";
}

// Records the regions the console repaints.
class PaintRecorder : public QObject
{
public:
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

TEST_F(ControllerStateTests, meterChangeRepaintsOnlyTheNeedle)
{
    ControllerView &console = makeView();
    console.resize(802, 1442);
    console.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&console));
    QCoreApplication::processEvents();
    PaintRecorder recorder;
    console.installEventFilter(&recorder);
    session->setMeterLevel(0.6);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.painted.isEmpty(); }, 1000));
    const QRect bounds = recorder.painted.boundingRect();
    EXPECT_TRUE(QRect(455, 1170, 215, 110).contains(bounds))
        << "repainted " << bounds.x() << "," << bounds.y() << " " << bounds.width() << "×" << bounds.height();
    EXPECT_LT(recorder.painted.boundingRect().width() * recorder.painted.boundingRect().height(), 802 * 1442 / 50);
}

} // namespace
} // namespace telvora::test

#include "Telvora/Interface/Console/ConsoleLayout.h"
#include "tests/interface/console/ConsoleFixture.h"

#include <QTest>

namespace telvora::test {
namespace {

namespace Layout = ConsoleLayout;
using namespace Qt::Literals::StringLiterals;

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

TEST_F(ControllerActionTests, keysReachTheirOperations)
{
    hasPlayer = true;
    session->setSourceURL(QUrl::fromLocalFile(u"/tmp/fala.mp3"_s));
    session->voiceURL = QUrl::fromLocalFile(u"/tmp/narracao.m4a"_s);
    ControllerView &console = makeView();
    console.resize(802, 1442);
    console.show();
    for (const char16_t *name :
         {u"Reproduzir áudio original", u"Parar áudio original", u"Transcrever", u"Ouvir", u"Exportar áudio",
          u"Fechar painel", u"Minimizar painel", u"Ampliar ou restaurar painel"})
        click(QString::fromUtf16(name));
    EXPECT_EQ(calls,
              (QStringList{u"toggleSource"_s, u"stopSource"_s, u"transcribe"_s, u"listen"_s, u"exportAudio"_s,
                           u"close"_s, u"minimize"_s, u"zoom"_s}));
}

TEST_F(ControllerActionTests, openKeyAsksForAFile)
{
    makeView().show();
    click(u"Abrir arquivo"_s);
    EXPECT_EQ(prompts.openDialogsShown.size(), 1);
}

TEST_F(ControllerActionTests, disabledKeyDoesNothing)
{
    makeView().show();
    ASSERT_FALSE(control(u"GERAR"_s)->isEnabled());
    click(u"GERAR"_s);
    click(u"Transcrever"_s);
    EXPECT_FALSE(session->busy());
    EXPECT_FALSE(session->showSettings());
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(ControllerActionTests, generateStartsAndWhileBusyCancels)
{
    session->setSourceText(u"Uma fonte."_s);
    makeView().show();
    // Without an OpenAI key the generation asks for the settings: proof that it ran.
    click(u"GERAR"_s);
    EXPECT_TRUE(session->showSettings());
    EXPECT_TRUE(calls.contains(u"presentSettings"_s));

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
    QObject::connect(session.get(), &Session::outputKindChanged, [&] { changes << u"kind"_s; });
    QObject::connect(session.get(), &Session::lengthChanged, [&] { changes << u"length"_s; });
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

TEST_F(ControllerActionTests, settingsAndOpenTextRaiseTheirFlags)
{
    session->setSourceText(u"Fonte."_s);
    makeView().show();
    click(u"Modelos e ajustes"_s);
    EXPECT_TRUE(session->showSettings());
    click(u"Abrir texto"_s);
    EXPECT_TRUE(session->readerShowsSource());
    EXPECT_EQ(calls.count(u"showReader"_s), 1);
}

TEST_F(ControllerActionTests, choosingElevenLabsRefreshesVoicesOnlyWhenItHasNone)
{
    session->setProvider(VoiceProvider::openAI);
    makeView().show();
    click(u"ElevenLabs"_s);
    EXPECT_EQ(session->provider(), VoiceProvider::elevenLabs);
    EXPECT_EQ(calls.count(u"refreshVoices"_s), 1);
    click(u"OpenAI"_s);
    EXPECT_EQ(session->provider(), VoiceProvider::openAI);
    session->setElevenVoices({{u"v1"_s, u"Ana"_s}});
    click(u"ElevenLabs"_s);
    EXPECT_EQ(calls.count(u"refreshVoices"_s), 1);
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

} // namespace
} // namespace telvora::test

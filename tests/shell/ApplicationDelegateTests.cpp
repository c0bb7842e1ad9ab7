#include "Telvora/Shell/ApplicationDelegate.h"

#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/ScriptedUserPrompts.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

// The delegate with scripted answers, launched as the program launches it (offscreen).
class DelegateTest : public ::testing::Test
{
protected:
    void launch(const QStringList &arguments = {u"telvora"_s})
    {
        m_delegate = std::make_unique<ApplicationDelegate>(
            arguments,
            ApplicationDelegate::Dependencies{m_settings, m_credentials, m_prompts, ProviderEndpoints::defaults(),
                                              [] { return false; }});
        m_delegate->didFinishLaunching();
    }

    QString writeText(const QString &name, const QByteArray &content)
    {
        const QString path = m_folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    QTemporaryDir m_folder;
    QSettings m_settings{m_folder.filePath(u"settings.ini"_s), QSettings::IniFormat};
    test::InMemoryCredentialBackend m_credentials;
    test::ScriptedUserPrompts m_prompts;
    std::unique_ptr<ApplicationDelegate> m_delegate;
};

TEST_F(DelegateTest, LaunchShowsBothWindowsWithTheExample)
{
    launch();
    EXPECT_TRUE(m_delegate->controller()->isVisible());
    EXPECT_TRUE(m_delegate->reader()->isVisible());
    EXPECT_TRUE(m_delegate->session().isExample());
    EXPECT_EQ(m_delegate->reader()->windowTitle(), m_delegate->session().readerTitle());
    EXPECT_TRUE(m_prompts.alertsShown.isEmpty());
}

TEST_F(DelegateTest, QuitAndCloseRulesFollowTheSessionState)
{
    const struct
    {
        const char *name;
        bool unsaved;
        std::optional<qsizetype> answer;
        bool allowed;
        qsizetype alerts;
    } cases[]{
        {"idle and saved", false, std::nullopt, true, 0},
        {"unsaved, discard and go on", true, 1, true, 1},
        {"unsaved, cancel", true, 0, false, 1},
        {"unsaved, dismissed", true, std::nullopt, false, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool closing : {false, true}) {
            launch();
            m_prompts.alertsShown.clear();
            if (c.unsaved)
                m_delegate->session().setOutputText(u"Texto novo, nunca exportado."_s);
            m_prompts.alertAnswers.enqueue(c.answer);
            const bool allowed = closing ? m_delegate->consoleShouldClose() : m_delegate->shouldTerminate();
            EXPECT_EQ(allowed, c.allowed) << (closing ? "closing the console" : "quitting");
            EXPECT_EQ(m_prompts.alertsShown.size(), c.alerts);
            m_prompts.alertAnswers.clear();
        }
    }
}

TEST_F(DelegateTest, BusyRefusesQuitAndCloseAndAsksTheJobToStop)
{
    launch();
    m_delegate->session().setOutputText(u"Texto novo."_s);
    m_delegate->session().setBusy(true);
    EXPECT_FALSE(m_delegate->shouldTerminate());
    EXPECT_EQ(m_delegate->session().status(), u"Cancelando…"_s);
    m_delegate->session().setStatus(u"Transcrevendo"_s);
    EXPECT_FALSE(m_delegate->consoleShouldClose());
    EXPECT_EQ(m_delegate->session().status(), u"Cancelando…"_s);
    EXPECT_TRUE(m_prompts.alertsShown.isEmpty());
    m_delegate->session().setBusy(false);
}

TEST_F(DelegateTest, TheTranscriptionCheckQuitsWithoutAskingAboutUnsavedText)
{
    launch({u"telvora"_s, u"--verify-transcription"_s});
    m_delegate->session().setOutputText(u"Texto novo."_s);
    EXPECT_TRUE(m_delegate->shouldTerminate());
    EXPECT_TRUE(m_prompts.alertsShown.isEmpty());
}

TEST_F(DelegateTest, OpeningFilesTakesOnlyTheFirstThroughTheGuard)
{
    launch();
    const QString first = writeText(u"primeiro.txt"_s, "Primeiro texto.");
    const QString second = writeText(u"segundo.txt"_s, "Segundo texto.");
    EXPECT_FALSE(m_delegate->openFiles({}));
    EXPECT_TRUE(m_delegate->openFiles({first, second, second}));
    EXPECT_EQ(m_delegate->session().sourceName(), u"primeiro.txt"_s);
    EXPECT_EQ(m_delegate->session().sourceText(), u"Primeiro texto."_s);

    m_delegate->session().setSourceText(u"Editado."_s);
    m_prompts.alertAnswers.enqueue(0);
    EXPECT_FALSE(m_delegate->openFiles({second}));
    EXPECT_EQ(m_delegate->session().sourceText(), u"Editado."_s);
}

TEST_F(DelegateTest, TheFileOptionOpensRightAfterTheExampleWithoutAQuestion)
{
    const QString notes = writeText(u"notas.txt"_s, "Notas da reunião.");
    launch({u"telvora"_s, u"--file"_s, notes});
    EXPECT_EQ(m_delegate->session().sourceName(), u"notas.txt"_s);
    EXPECT_EQ(m_delegate->session().sourceText(), u"Notas da reunião."_s);
    EXPECT_FALSE(m_delegate->session().isExample());
    EXPECT_TRUE(m_prompts.alertsShown.isEmpty());
}

TEST_F(DelegateTest, MenuCommandsReachTheSession)
{
    launch();
    m_delegate->settings();
    EXPECT_TRUE(m_delegate->session().showSettings());
    m_delegate->session().setShowSettings(false);
    m_delegate->transcriptionOptions();
    EXPECT_TRUE(m_delegate->session().showTranscriptionOptions());
    m_delegate->session().setShowTranscriptionOptions(false);
    m_delegate->cancel();
    EXPECT_EQ(m_delegate->session().status(), u"Cancelando…"_s);
    m_delegate->hideApplication();
    EXPECT_FALSE(m_delegate->controller()->isVisible());
    EXPECT_FALSE(m_delegate->reader()->isVisible());
    m_delegate->reopen();
    EXPECT_TRUE(m_delegate->controller()->isVisible());
}

} // namespace

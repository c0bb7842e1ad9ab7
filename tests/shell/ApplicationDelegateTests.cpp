#include "Telvora/Shell/ApplicationDelegate.h"

#include "Telvora/Interface/Console/ConsoleElements.h"
#include "Telvora/Interface/Console/ConsoleLayout.h"
#include "Telvora/Interface/Sheets/SettingsView.h"
#include "Telvora/Interface/Sheets/TranscriptionOptionsView.h"
#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/ScriptedUserPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
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

    // A file is read off the GUI thread; the session is busy until it is open.
    bool waitUntilOpened()
    {
        return QTest::qWaitFor([this] { return !m_delegate->workflows().session().busy(); });
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
    EXPECT_TRUE(m_delegate->workflows().session().isExample());
    EXPECT_EQ(m_delegate->reader()->windowTitle(), m_delegate->workflows().session().readerTitle());
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
                m_delegate->workflows().session().setOutputText(u"Texto novo, nunca exportado."_s);
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
    m_delegate->workflows().session().setOutputText(u"Texto novo."_s);
    m_delegate->workflows().session().setBusy(true);
    EXPECT_FALSE(m_delegate->shouldTerminate());
    EXPECT_EQ(m_delegate->workflows().session().status(), u"Cancelando…"_s);
    m_delegate->workflows().session().setStatus(u"Transcrevendo"_s);
    EXPECT_FALSE(m_delegate->consoleShouldClose());
    EXPECT_EQ(m_delegate->workflows().session().status(), u"Cancelando…"_s);
    EXPECT_TRUE(m_prompts.alertsShown.isEmpty());
    m_delegate->workflows().session().setBusy(false);
}

TEST_F(DelegateTest, TheTranscriptionCheckQuitsWithoutAskingAboutUnsavedText)
{
    launch({u"telvora"_s, u"--verify-transcription"_s});
    m_delegate->workflows().session().setOutputText(u"Texto novo."_s);
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
    ASSERT_TRUE(waitUntilOpened());
    EXPECT_EQ(m_delegate->workflows().session().sourceName(), u"primeiro.txt"_s);
    EXPECT_EQ(m_delegate->workflows().session().sourceText(), u"Primeiro texto."_s);

    m_delegate->workflows().session().setSourceText(u"Editado."_s);
    m_prompts.alertAnswers.enqueue(0);
    EXPECT_FALSE(m_delegate->openFiles({second}));
    EXPECT_EQ(m_delegate->workflows().session().sourceText(), u"Editado."_s);
}

TEST_F(DelegateTest, TheFileOptionOpensRightAfterTheExampleWithoutAQuestion)
{
    const QString notes = writeText(u"notas.txt"_s, "Notas da reunião.");
    launch({u"telvora"_s, u"--file"_s, notes});
    ASSERT_TRUE(waitUntilOpened());
    EXPECT_EQ(m_delegate->workflows().session().sourceName(), u"notas.txt"_s);
    EXPECT_EQ(m_delegate->workflows().session().sourceText(), u"Notas da reunião."_s);
    EXPECT_FALSE(m_delegate->workflows().session().isExample());
    EXPECT_TRUE(m_prompts.alertsShown.isEmpty());
}

TEST_F(DelegateTest, MenuCommandsReachTheWorkflows)
{
    launch();
    m_delegate->cancel();
    EXPECT_EQ(m_delegate->workflows().session().status(), u"Cancelando…"_s);
    m_delegate->hideApplication();
    EXPECT_FALSE(m_delegate->controller()->isVisible());
    EXPECT_FALSE(m_delegate->reader()->isVisible());
    m_delegate->reopen();
    EXPECT_TRUE(m_delegate->controller()->isVisible());
}

// A right click on the console opens the menu bar's own menus, so they stay in reach with
// the reader closed.
TEST_F(DelegateTest, TheConsoleOffersTheMenusOnARightClick)
{
    launch();
    m_delegate->reader()->close();
    QWidget *console = m_delegate->controller();
    const QPoint onPanel = console->rect().center();
    QWidget *under = console->childAt(onPanel);
    ASSERT_NE(under, nullptr);
    QContextMenuEvent click(QContextMenuEvent::Mouse, under->mapFrom(console, onPanel), console->mapToGlobal(onPanel));
    QApplication::sendEvent(under, &click);

    QMenu *shown = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *menu = qobject_cast<QMenu *>(widget); menu && menu->isVisible())
                shown = menu;
        }
        return shown != nullptr;
    }));
    const auto bar = m_delegate->reader()->findChild<QMenuBar *>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(shown->actions(), bar->actions()) << "the very menus of the bar";
    QStringList titles;
    for (const QAction *menu : shown->actions())
        titles.append(menu->text());
    EXPECT_EQ(titles, (QStringList{u"Telvora"_s, u"Arquivo"_s, u"Editar"_s, u"Gravação"_s, u"Janela"_s}));
    shown->close();
}

// The reader's keys for listening are listed in a menu of their own and renaming in Editar;
// no two entries of the bar share a key.
TEST_F(DelegateTest, TheMenusListTheReadersKeysAndTheRenaming)
{
    launch();
    const auto bar = m_delegate->reader()->findChild<QMenuBar *>();
    ASSERT_NE(bar, nullptr);
    QHash<QString, QStringList> entries;
    QStringList keys;
    for (const QAction *menu : bar->actions()) {
        for (const QAction *action : menu->menu()->actions()) {
            if (action->isSeparator())
                continue;
            entries[menu->text()].append(action->text() + u' ' + action->shortcut().toString());
            if (!action->shortcut().isEmpty())
                keys.append(action->shortcut().toString());
        }
    }
    EXPECT_EQ(entries[u"Gravação"_s],
              (QStringList{u"Reproduzir ou pausar a gravação Ctrl+P"_s, u"Voltar 5 segundos Ctrl+R"_s,
                           u"Ouvir a partir deste parágrafo Ctrl+J"_s}));
    EXPECT_EQ(entries[u"Editar"_s].last(), u"Renomear falante… "_s);
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size()) << keys.join(u", "_s).toStdString();
}

// The reader's content stands level with the console: same top, same bottom.
TEST_F(DelegateTest, FirstPlacementPutsTheReadersContentBesideTheConsole)
{
    launch();
    QWidget *console = m_delegate->controller();
    auto *reader = qobject_cast<QMainWindow *>(m_delegate->reader());
    ASSERT_NE(reader, nullptr);
    const QRect content(reader->centralWidget()->mapToGlobal(QPoint(0, 0)), reader->centralWidget()->size());
    const QRect panel(console->mapToGlobal(QPoint(0, 0)), console->size());
    EXPECT_EQ(content.top(), panel.top());
    EXPECT_EQ(content.bottom(), panel.bottom());
    EXPECT_NEAR(content.left() - panel.right() - 1, 18, 1) << "18 points apart, give or take the rounding to pixels";
}

// Every way of asking for a sheet opens it over the console: the menus, the console's keys,
// and a workflow that misses a key.
TEST_F(DelegateTest, EveryRequestForASheetOpensIt)
{
    struct Case
    {
        const char *name;
        std::function<void()> request;
        bool settings;
    };
    const auto consoleKey = [this](const QString &name) {
        for (QAbstractButton *key : m_delegate->controller()->findChildren<QAbstractButton *>()) {
            if (key->accessibleName() == name)
                return key;
        }
        ADD_FAILURE() << "no key named " << name.toStdString();
        return static_cast<QAbstractButton *>(nullptr);
    };
    const Case cases[] = {
        {"the settings menu command", [this] { m_delegate->settings(); }, true},
        {"the console's settings key", [&] { consoleKey(u"Modelos e ajustes"_s)->click(); }, true},
        {"a generation without an OpenAI key",
         [this] {
             m_delegate->workflows().session().setSourceText(u"Uma fonte."_s);
             m_delegate->workflows().generation().generate();
         },
         true},
        {"the transcription options menu command", [this] { m_delegate->transcriptionOptions(); }, false},
        {"the speaker menu's last item",
         [this] {
             for (ConsoleMenuButton *menu : m_delegate->controller()->findChildren<ConsoleMenuButton *>()) {
                 if (menu->canvasFrame() == ConsoleLayout::speakerMenu)
                     menu->preparedMenu().actions().last()->trigger();
             }
         },
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        launch();
        QWidget *console = m_delegate->controller();
        c.request();
        const auto shown = [&]() -> QDialog * {
            if (c.settings)
                return console->findChild<SettingsView *>();
            return console->findChild<TranscriptionOptionsView *>();
        };
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown() && shown()->isVisible(); }, 5000));
        EXPECT_EQ(console->findChildren<QDialog *>().size(), 1);
        EXPECT_EQ(shown()->windowModality(), Qt::WindowModal);
    }
}

} // namespace

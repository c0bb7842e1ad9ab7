#pragma once

#include "Telvora/Interface/Console/ConsoleElements.h"
#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Console/ConsoleKey.h"
#include "Telvora/Interface/Console/ControllerView.h"
#include "TelvoraCore/Support/ResourceBundle.h"
#include "tests/media/FakeAudioPlayer.h"
#include "tests/session/workflows/WorkflowFixture.h"
#include "tests/support/RunTask.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>

namespace telvora::test {

// A console on workflows of their own, whose players take no real time and whose provider
// requests go to a loopback server; the window keys' actions are recorded by name.
class ConsoleFixture : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        static const int fonts = ConsoleFonts::registerAll(AppResources::bundle());
        ASSERT_EQ(fonts, 3);
        makeConsoleSession();
    }

    // The console goes before the workflows it shows.
    void TearDown() override
    {
        view.reset();
        WorkflowFixture::TearDown();
    }

    Session &makeConsoleSession()
    {
        view.reset();
        Session &made = makeWorkflowSession();
        workflows->playback().setAudioPlayerFactory(players.factory());
        return made;
    }

    ControllerView &makeView()
    {
        const auto record = [this](const char *name) { return [this, name] { calls.append(QLatin1String(name)); }; };
        view = std::make_unique<ControllerView>(*workflows, record("close"), record("minimize"), record("zoom"));
        // Shown, so that a resize lays the canvas out at once.
        view->show();
        return *view;
    }

    // Opens a recording as the user does; answers the state of the fake player it got.
    std::shared_ptr<FakeAudioPlayer::State> openRecording(const QString &name = QStringLiteral("fala.mp3"))
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("not decoded by the fake player");
        file.close();
        test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
        return players.made.value(path);
    }

    template<typename T = QAbstractButton>
    T *control(const QString &accessibleName) const
    {
        for (T *candidate : view->findChildren<T *>()) {
            if (candidate->accessibleName() == accessibleName)
                return candidate;
        }
        ADD_FAILURE() << "no control named " << accessibleName.toStdString();
        return nullptr;
    }

    template<typename T>
    T *element(const QRectF &frame) const
    {
        for (T *candidate : view->findChildren<T *>()) {
            if (candidate->canvasFrame() == frame)
                return candidate;
        }
        ADD_FAILURE() << "no element at the frame";
        return nullptr;
    }

    FakeAudioPlayers players;
    QStringList calls;
    std::unique_ptr<ControllerView> view;
};

} // namespace telvora::test

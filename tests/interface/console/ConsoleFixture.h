#pragma once

#include "Telvora/Interface/Console/ConsoleElements.h"
#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Console/ConsoleKey.h"
#include "Telvora/Interface/Console/ControllerView.h"
#include "TelvoraCore/Support/ResourceBundle.h"
#include "tests/session/state/SessionFixture.h"

#include <QAbstractButton>
#include <QApplication>

namespace telvora::test {

// A console on a session of its own; the operations that belong to other workflows are
// recorded by name, and their inputs (player, voices) are set by the test.
class ConsoleFixture : public SessionFixture
{
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        static const int fonts = ConsoleFonts::registerAll(AppResources::bundle());
        ASSERT_EQ(fonts, 3);
        makeSession();
        session->showReader = [this] { calls.append(QStringLiteral("showReader")); };
    }

    ControllerView &makeView()
    {
        ConsoleOperations operations = ConsoleOperations::forSession(*session);
        operations.hasSourcePlayer = [this] { return hasPlayer; };
        const auto record = [this](const char *name) { return [this, name] { calls.append(QLatin1String(name)); }; };
        operations.toggleSource = record("toggleSource");
        operations.stopSource = record("stopSource");
        operations.transcribe = record("transcribe");
        operations.listen = record("listen");
        operations.exportAudio = record("exportAudio");
        operations.refreshVoices = record("refreshVoices");
        operations.presentSettings = record("presentSettings");
        operations.presentTranscriptionOptions = record("presentTranscriptionOptions");
        view =
            std::make_unique<ControllerView>(*session, record("close"), record("minimize"), record("zoom"), operations);
        // Shown, so that a resize lays the canvas out at once.
        view->show();
        return *view;
    }

    // Makes the console read the session again (the plain fields notify nobody).
    void touch()
    {
        session->setBusy(!session->busy());
        session->setBusy(!session->busy());
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

    bool hasPlayer = false;
    QStringList calls;
    std::unique_ptr<ControllerView> view;
};

} // namespace telvora::test

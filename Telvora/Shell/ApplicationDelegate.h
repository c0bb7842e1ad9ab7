#pragma once

#include "Telvora/Session/Workflows.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class QSettings;
class QWidget;

namespace telvora {

class ApplicationMenus;
class ConsoleWindow;
class CredentialBackend;
class ReaderView;
class ReaderWindow;
class SheetPresenter;
class TerminationSignal;
class UserPrompts;

/// The interactive program's top object: it owns the one Session, the console and reader
/// windows, the menus and the termination signal, and decides whether a window may close
/// and whether the program may quit. Everything runs on the GUI thread.
class ApplicationDelegate : public QObject
{
    Q_OBJECT
public:
    /// What the workflows are built from: the real stores in the program, scripted ones in tests.
    struct Dependencies
    {
        QSettings &settings;
        CredentialBackend &credentials;
        UserPrompts &prompts;
        ProviderEndpoints endpoints;
        /// Whether the local transcription engine is installed, for the settings sheet.
        std::function<bool()> engineAvailable;
    };

    ApplicationDelegate(QStringList arguments, Dependencies dependencies, QObject *parent = nullptr);
    ~ApplicationDelegate() override;

    Workflows &workflows() { return m_workflows; }
    QWidget *controller() const;
    QWidget *reader() const;
    /// The reader window's content, whose keys the menus list.
    ReaderView *readerView() const;

    /// Builds the windows and menus, loads the example and applies the command-line options.
    void didFinishLaunching();

    /// The termination question: true when the program may end now.
    bool shouldTerminate();
    /// Clean-up before the process ends: the source player, the meter loop, the narration.
    void willTerminate();
    /// Asks to quit; quits (after the clean-up) when the termination question allows it.
    void requestQuit();
    /// The desktop asked to show the program again.
    void reopen();
    /// The desktop asked to open files: only the first one, through the unsaved-text guard.
    bool openFiles(const QStringList &paths);
    /// The console's close rule; closing it only hides it.
    bool consoleShouldClose();

    void showPanel();
    void showDocument();
    void openFile();
    void example();
    void exportText();
    void settings();
    void transcriptionOptions();
    void cancel();
    void hideApplication();

    /// Renders both windows into "controller.png" and "reader.png" in the capture folder.
    void capture();

private:
    void installTerminationSignal();
    void createWindows();
    void restoreFrames();
    void saveFrames();
    void applyArguments();
    void startRequestedCheck();
    void startTranscriptionCheck();
    void finishTranscriptionCheck();
    void writeTranscriptionCheck();

    QStringList m_arguments;
    std::function<bool()> m_engineAvailable;
    Workflows m_workflows;
    std::unique_ptr<ConsoleWindow> m_controller;
    std::unique_ptr<ReaderWindow> m_reader;
    std::unique_ptr<ApplicationMenus> m_menus;
    std::unique_ptr<TerminationSignal> m_terminationSignal;
    SheetPresenter *m_settingsSheet = nullptr;
    SheetPresenter *m_optionsSheet = nullptr;
    bool m_terminated = false;
};

} // namespace telvora

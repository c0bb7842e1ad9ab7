#include "Telvora/Shell/ApplicationDelegate.h"

#include "Telvora/Interface/Console/ControllerView.h"
#include "Telvora/Interface/Reader/ReaderView.h"
#include "Telvora/Interface/Sheets/SheetPresenter.h"
#include "Telvora/Session/AtomicFile.h"
#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Shell/ApplicationMenus.h"
#include "Telvora/Shell/CaptureFolder.h"
#include "Telvora/Shell/CommandLineFlags.h"
#include "Telvora/Shell/ConsoleWindow.h"
#include "Telvora/Shell/ReaderWindow.h"
#include "Telvora/Shell/TerminationSignal.h"
#include "Telvora/Shell/WindowPlacement.h"
#include "TelvoraCore/Errors/Error.h"

#include <QApplication>
#include <QBuffer>
#include <QCoroTask>
#include <QDialog>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLayout>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include <chrono>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace telvora {

namespace {

namespace Flag = CommandLineFlags;

namespace Frame {
const auto controller = u"windows/Telvora.Controller"_s;
const auto reader = u"windows/Telvora.Reader"_s;
} // namespace Frame

namespace Check {
const auto model = u"large-v3-turbo"_s;
const auto speakerNames = u"Narrador"_s;
const auto fileName = u"transcription-check.json"_s;
} // namespace Check

// The capture folders are shared ones (/tmp) by default, and their files are written whole
// under their names: whoever waits for them never reads half of one. A failure is ignored.
void writeQuietly(const QString &path, const QByteArray &bytes)
{
    try {
        AtomicFile::writeInSharedFolder(path, bytes);
    } catch (const FileError &) {}
}

void bringForward(QWidget *window)
{
    window->show();
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace

ApplicationDelegate::ApplicationDelegate(QStringList arguments, Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_arguments(std::move(arguments))
    , m_engineAvailable(std::move(dependencies.engineAvailable))
    , m_workflows({dependencies.settings, dependencies.credentials, dependencies.prompts, dependencies.endpoints})
{}

ApplicationDelegate::~ApplicationDelegate()
{
    // The windows observe the session: they go first.
    m_menus.reset();
    m_reader.reset();
    m_controller.reset();
}

QWidget *ApplicationDelegate::controller() const { return m_controller.get(); }

QWidget *ApplicationDelegate::reader() const { return m_reader.get(); }

ReaderView *ApplicationDelegate::readerView() const
{
    return m_reader ? qobject_cast<ReaderView *>(m_reader->centralWidget()) : nullptr;
}

void ApplicationDelegate::didFinishLaunching()
{
    installTerminationSignal();
    createWindows();
    m_menus = std::make_unique<ApplicationMenus>(*this, *m_reader->menuBar(), *m_controller);
    restoreFrames();

    connect(&m_workflows, &Workflows::documentReady, this, &ApplicationDelegate::showDocument);
    m_workflows.document().loadExample();
    showPanel();
    applyArguments();
}

void ApplicationDelegate::installTerminationSignal()
{
    m_terminationSignal = std::make_unique<TerminationSignal>();
    connect(m_terminationSignal.get(), &TerminationSignal::received, this, &ApplicationDelegate::requestQuit);
}

void ApplicationDelegate::createWindows()
{
    m_controller = std::make_unique<ConsoleWindow>([this] { return consoleShouldClose(); });
    // The panel's window buttons act on this window only while it exists.
    QPointer<ConsoleWindow> console(m_controller.get());
    auto close = [console] {
        if (console)
            console->close();
    };
    auto minimize = [console] {
        if (console)
            console->showMinimized();
    };
    auto zoom = [console] {
        if (console)
            console->toggleZoom();
    };
    auto *view = new ControllerView(m_workflows, close, minimize, zoom);
    m_controller->setContent(view);
    m_settingsSheet = SheetPresenter::forSettings(m_controller.get(), m_workflows, m_engineAvailable);
    m_optionsSheet = SheetPresenter::forTranscriptionOptions(m_controller.get(), m_workflows);
    connect(view, &ControllerView::settingsRequested, m_settingsSheet, &SheetPresenter::present);
    connect(&m_workflows, &Workflows::settingsRequested, m_settingsSheet, &SheetPresenter::present);
    connect(view, &ControllerView::transcriptionOptionsRequested, m_optionsSheet, &SheetPresenter::present);
    m_reader = std::make_unique<ReaderWindow>(new ReaderView(m_workflows));
}

void ApplicationDelegate::restoreFrames()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const auto placement =
        WindowPlacement::firstLaunch(screen ? std::optional<QRectF>(screen->availableGeometry()) : std::nullopt);
    if (!m_controller->restoreGeometry(m_workflows.settings().windowFrame(Frame::controller)))
        m_controller->setGeometry(placement.panel.toRect());
    if (!m_reader->restoreGeometry(m_workflows.settings().windowFrame(Frame::reader))) {
        // The placement is the reader's content, level with the console; here the menu bar
        // sits inside the window, above it.
        m_reader->setGeometry(placement.reader.toRect().adjusted(0, -m_reader->menuBar()->sizeHint().height(), 0, 0));
    }
}

void ApplicationDelegate::saveFrames()
{
    m_workflows.settings().setWindowFrame(Frame::controller, m_controller->saveGeometry());
    m_workflows.settings().setWindowFrame(Frame::reader, m_reader->saveGeometry());
}

void ApplicationDelegate::applyArguments()
{
    if (m_arguments.contains(Flag::capture)) {
        QTimer::singleShot(2s, this, &ApplicationDelegate::capture);
    }
    const qsizetype file = m_arguments.indexOf(Flag::file);
    if (file < 0 || file + 1 >= m_arguments.size()) {
        startRequestedCheck();
        return;
    }
    const QUrl url = QUrl::fromLocalFile(QFileInfo(m_arguments.at(file + 1)).absoluteFilePath());
    // The check transcribes what was opened, so it waits for the open to end.
    QCoro::connect(m_workflows.document().importFile(url), this, [this] { startRequestedCheck(); });
}

void ApplicationDelegate::startRequestedCheck()
{
    if (m_arguments.contains(Flag::verifyTranscription))
        startTranscriptionCheck();
}

bool ApplicationDelegate::shouldTerminate()
{
    if (m_workflows.session().busy()) {
        m_workflows.cancel();
        return false;
    }
    if (m_arguments.contains(Flag::verifyTranscription))
        return true;
    return m_workflows.document().confirmReplacement();
}

void ApplicationDelegate::willTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    if (m_controller && m_reader)
        saveFrames();
    m_workflows.shutDown();
}

void ApplicationDelegate::requestQuit()
{
    if (!shouldTerminate())
        return;
    willTerminate();
    QCoreApplication::exit(0);
}

void ApplicationDelegate::reopen() { showPanel(); }

bool ApplicationDelegate::openFiles(const QStringList &paths)
{
    if (paths.isEmpty() || !m_workflows.document().confirmReplacement())
        return false;
    // The open goes on after this returns; the window shows it busy until it ends.
    m_workflows.document().importFile(QUrl::fromLocalFile(QFileInfo(paths.first()).absoluteFilePath()));
    return true;
}

bool ApplicationDelegate::consoleShouldClose()
{
    if (m_workflows.session().busy()) {
        m_workflows.cancel();
        return false;
    }
    return m_workflows.document().confirmReplacement();
}

void ApplicationDelegate::showPanel() { bringForward(m_controller.get()); }

void ApplicationDelegate::showDocument()
{
    m_reader->setWindowTitle(m_workflows.session().readerTitle());
    bringForward(m_reader.get());
}

void ApplicationDelegate::openFile() { m_workflows.document().openFile(); }

void ApplicationDelegate::example() { m_workflows.document().loadExample(); }

void ApplicationDelegate::exportText() { m_workflows.document().exportText(); }

void ApplicationDelegate::settings()
{
    showPanel();
    m_settingsSheet->present();
}

void ApplicationDelegate::transcriptionOptions()
{
    showPanel();
    m_optionsSheet->present();
}

void ApplicationDelegate::cancel() { m_workflows.cancel(); }

void ApplicationDelegate::hideApplication()
{
    // Linux has no application-wide hide: both windows go; the launcher, a second start or
    // the Window menu's keys bring the console back.
    m_controller->hide();
    m_reader->hide();
}

void ApplicationDelegate::capture()
{
    const QDir folder(CaptureFolder::forCaptures());
    QDir().mkpath(folder.path());
    // The windows' contents, as on a desktop where the menu bar is not part of the window.
    const std::pair<QString, QWidget *> windows[] = {
        {u"controller"_s, m_controller ? m_controller->content() : nullptr},
        {u"reader"_s, m_reader ? m_reader->centralWidget() : nullptr}};
    for (const auto &[name, window] : windows) {
        if (!window)
            continue;
        window->ensurePolished();
        if (QLayout *layout = window->layout())
            layout->activate();
        const QPixmap pixmap = window->grab();
        if (pixmap.isNull())
            continue;
        QByteArray png;
        QBuffer buffer(&png);
        if (buffer.open(QIODevice::WriteOnly) && pixmap.save(&buffer, "PNG"))
            writeQuietly(folder.filePath(name + u".png"_s), png);
    }
}

void ApplicationDelegate::startTranscriptionCheck()
{
    m_workflows.settings().setWhisperModel(Check::model);
    m_workflows.session().setSpeakerCount(1);
    m_workflows.session().setSpeakerNames(Check::speakerNames);
    m_workflows.transcription().transcribe();
    // The check ends by quitting, which only works once the event loop runs.
    QTimer::singleShot(0, this, &ApplicationDelegate::finishTranscriptionCheck);
}

void ApplicationDelegate::finishTranscriptionCheck()
{
    // Whatever runs by then (the transcription, or a file the command line opened
    // meanwhile) is waited for.
    if (m_workflows.session().busy()) {
        connect(&m_workflows.session(), &Session::busyChanged, this, &ApplicationDelegate::finishTranscriptionCheck,
                Qt::UniqueConnection);
        return;
    }
    disconnect(&m_workflows.session(), &Session::busyChanged, this, &ApplicationDelegate::finishTranscriptionCheck);
    capture();
    writeTranscriptionCheck();
    requestQuit();
}

void ApplicationDelegate::writeTranscriptionCheck()
{
    // QJsonObject keeps its keys sorted, which is the order the check file promises.
    const Session &session = m_workflows.session();
    const QJsonObject check{{u"error"_s, session.errorMessage().value_or(QString())},
                            {u"provider_calls"_s, false},
                            {u"source"_s, session.sourceName()},
                            {u"speakers"_s, session.detectedSpeakers()},
                            {u"status"_s, session.status()},
                            {u"text"_s, session.sourceText()}};
    const QDir folder(CaptureFolder::forCheck());
    QDir().mkpath(folder.path());
    writeQuietly(folder.filePath(Check::fileName), QJsonDocument(check).toJson(QJsonDocument::Indented));
}

} // namespace telvora

#include "Telvora/Shell/ApplicationMenus.h"

#include "Telvora/Interface/Reader/ReaderView.h"
#include "Telvora/Shell/ApplicationDelegate.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

// Sends an editing command to the widget with the keyboard focus (a text field or editor).
void toFocus(const char *member)
{
    if (QWidget *focus = QApplication::focusWidget())
        QMetaObject::invokeMethod(focus, member);
}

QWidget *activeWindow() { return QApplication::activeWindow(); }

void about()
{
    QMessageBox::about(activeWindow(), u"Sobre o Telvora"_s,
                       u"<b>Telvora</b> %1<p>Transcrição local, documentos editoriais e narração.</p>"_s.arg(
                           QApplication::applicationVersion()));
}

} // namespace

ApplicationMenus::ApplicationMenus(ApplicationDelegate &delegate, QMenuBar &bar, QWidget &console)
    : QObject(&bar)
    , m_delegate(delegate)
{
    auto &d = m_delegate;

    QMenu *app = bar.addMenu(u"Telvora"_s);
    add(app, u"Sobre o Telvora"_s, {}, about);
    app->addSeparator();
    add(app, u"Modelos e chaves de API…"_s, QKeySequence(u"Ctrl+,"_s), [&d] { d.settings(); });
    app->addSeparator();
    add(app, u"Ocultar Telvora"_s, QKeySequence(u"Ctrl+H"_s), [&d] { d.hideApplication(); });
    add(app, u"Encerrar Telvora"_s, QKeySequence(u"Ctrl+Q"_s), [&d] { d.requestQuit(); });

    QMenu *file = bar.addMenu(u"Arquivo"_s);
    add(file, u"Abrir arquivo…"_s, QKeySequence(u"Ctrl+O"_s), [&d] { d.openFile(); });
    add(file, u"Abrir exemplo"_s, {}, [&d] { d.example(); });
    add(file, u"Exportar texto…"_s, QKeySequence(u"Ctrl+S"_s), [&d] { d.exportText(); });
    add(file, u"Opções de transcrição…"_s, {}, [&d] { d.transcriptionOptions(); });
    add(file, u"Cancelar operação"_s, QKeySequence(u"Ctrl+."_s), [&d] { d.cancel(); });
    add(file, u"Fechar janela"_s, QKeySequence(u"Ctrl+W"_s), [] {
        if (QWidget *window = activeWindow())
            window->close();
    });

    QMenu *edit = bar.addMenu(u"Editar"_s);
    add(edit, u"Desfazer"_s, QKeySequence(u"Ctrl+Z"_s), [] { toFocus("undo"); });
    add(edit, u"Refazer"_s, QKeySequence(u"Ctrl+Shift+Z"_s), [] { toFocus("redo"); });
    edit->addSeparator();
    add(edit, u"Recortar"_s, QKeySequence(u"Ctrl+X"_s), [] { toFocus("cut"); });
    add(edit, u"Copiar"_s, QKeySequence(u"Ctrl+C"_s), [] { toFocus("copy"); });
    add(edit, u"Colar"_s, QKeySequence(u"Ctrl+V"_s), [] { toFocus("paste"); });
    add(edit, u"Selecionar tudo"_s, QKeySequence(u"Ctrl+A"_s), [] { toFocus("selectAll"); });
    ReaderView *reader = d.readerView();
    edit->addSeparator();
    include(edit, reader->renameSpeakerAction());

    // The reader's own keys for listening while correcting a transcript.
    QMenu *recording = bar.addMenu(u"Gravação"_s);
    include(recording, reader->playPauseAction());
    include(recording, reader->rewindAction());
    include(recording, reader->playParagraphAction());

    QMenu *window = bar.addMenu(u"Janela"_s);
    add(window, u"Painel do Telvora"_s, QKeySequence(u"Ctrl+1"_s), [&d] { d.showPanel(); });
    add(window, u"Documento"_s, QKeySequence(u"Ctrl+2"_s), [&d] { d.showDocument(); });
    add(window, u"Minimizar"_s, QKeySequence(u"Ctrl+M"_s), [] {
        if (QWidget *active = activeWindow())
            active->showMinimized();
    });
    add(window, u"Ampliar ou restaurar"_s, {}, [] {
        if (QWidget *active = activeWindow())
            active->isMaximized() ? active->showNormal() : active->showMaximized();
    });
    add(window, u"Alternar tela cheia"_s, QKeySequence(u"F11"_s), [] {
        if (QWidget *active = activeWindow())
            active->isFullScreen() ? active->showNormal() : active->showFullScreen();
    });

    // The console has no text to edit; text widgets take their own editing keys first.
    const QList<QAction *> editing = edit->actions();
    for (QAction *action : std::as_const(m_actions)) {
        if (!editing.contains(action))
            console.addAction(action);
    }

    // With the reader closed the bar is out of sight: the console offers the very same menus.
    m_consoleMenu = std::make_unique<QMenu>();
    for (QMenu *menu : {app, file, edit, recording, window})
        m_consoleMenu->addMenu(menu);
    console.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&console, &QWidget::customContextMenuRequested, this,
            [this, &console](const QPoint &at) { m_consoleMenu->popup(console.mapToGlobal(at)); });
}

ApplicationMenus::~ApplicationMenus() = default;

void ApplicationMenus::include(QMenu *menu, QAction *action)
{
    menu->addAction(action);
    m_actions.append(action);
}

QAction *ApplicationMenus::add(QMenu *menu, const QString &title, const QKeySequence &key, std::function<void()> action)
{
    QAction *item = menu->addAction(title);
    item->setShortcut(key);
    connect(item, &QAction::triggered, this, std::move(action));
    m_actions.append(item);
    return item;
}

} // namespace telvora

#pragma once

#include <QList>
#include <QObject>

#include <functional>
#include <memory>

class QAction;
class QKeySequence;
class QMenu;
class QMenuBar;
class QWidget;

namespace telvora {

class ApplicationDelegate;

/// The program's menus. The console window has no frame to hold a menu bar, so the bar
/// lives in the reader window, and every action is also added to the console window,
/// where its key works as a shortcut; a right click on the console opens the same menus.
class ApplicationMenus : public QObject
{
    Q_OBJECT
public:
    ApplicationMenus(ApplicationDelegate &delegate, QMenuBar &bar, QWidget &console);
    ~ApplicationMenus() override;

    /// Every action of the menus, separators excluded, in menu order.
    const QList<QAction *> &actions() const { return m_actions; }
    /// The console's context menu: the bar's menus as its submenus.
    QMenu &consoleMenu() { return *m_consoleMenu; }

private:
    QAction *add(QMenu *menu, const QString &title, const QKeySequence &key, std::function<void()> action);
    /// Lists an action that belongs to a window (its key works there) in `menu`.
    void include(QMenu *menu, QAction *action);

    ApplicationDelegate &m_delegate;
    QList<QAction *> m_actions;
    std::unique_ptr<QMenu> m_consoleMenu;
};

} // namespace telvora

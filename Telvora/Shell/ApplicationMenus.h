#pragma once

#include <QList>
#include <QObject>

#include <functional>

class QAction;
class QKeySequence;
class QMenu;
class QMenuBar;
class QWidget;

namespace telvora {

class ApplicationDelegate;

/// The program's menus. The console window has no frame to hold a menu bar, so the bar
/// lives in the reader window, and every action is also added to the console window,
/// where its key works as a shortcut.
class ApplicationMenus : public QObject
{
    Q_OBJECT
public:
    ApplicationMenus(ApplicationDelegate &delegate, QMenuBar &bar, QWidget &console);

    /// Every action of the menus, separators excluded, in menu order.
    const QList<QAction *> &actions() const { return m_actions; }

private:
    QAction *add(QMenu *menu, const QString &title, const QKeySequence &key, std::function<void()> action);

    ApplicationDelegate &m_delegate;
    QList<QAction *> m_actions;
};

} // namespace telvora

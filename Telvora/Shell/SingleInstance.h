#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace telvora {

/// Keeps one interactive Telvora per user. The first instance listens on a local socket;
/// a later start (typically the file manager opening a file) hands its file, or an empty
/// request that only brings the console forward, to that instance and exits.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    /// The socket is named after the user and lives in XDG_RUNTIME_DIR when set, so
    /// separate sessions and test sandboxes never meet; else in a folder of the temporary
    /// folder that only this user can enter. Both ends talk only to this user's processes.
    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    /// Sends `file` (empty: just show yourself) to a running instance; true when one took it.
    bool handOff(const QString &file) const;

    /// Becomes the instance the others hand off to. False when the socket cannot be made;
    /// the program then simply runs without the hand-off.
    bool listen();

    /// Empty when there is no private place for it (the folder is another user's).
    static QString socketName();

Q_SIGNALS:
    /// A later start asked this instance to open `file`, or only to come forward when empty.
    void requested(const QString &file);

private:
    void accept();

    std::unique_ptr<QLocalServer> m_server;
};

} // namespace telvora

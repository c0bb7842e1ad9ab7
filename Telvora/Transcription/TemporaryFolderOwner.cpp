#include "Telvora/Transcription/TemporaryFolderOwner.h"

#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Support/SavedFile.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

// A folder without an owner file is either being created this very moment or was left by
// a Telvora from before owner files; after this long it is the latter.
constexpr qint64 unmarkedGraceSeconds = 60 * 60;

// A process id alone can be reused; with its start time (clock ticks since boot) and the
// boot's id it names one process for good.
struct Owner
{
    qint64 pid = 0;
    QByteArray startTime;
    QByteArray boot;

    QByteArray text() const { return QByteArray::number(pid) + ' ' + startTime + ' ' + boot + '\n'; }
    friend bool operator==(const Owner &, const Owner &) = default;
};

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096);
}

QByteArray bootId() { return readSmallFile(u"/proc/sys/kernel/random/boot_id"_s).trimmed(); }

// Field 22 of /proc/<pid>/stat; the command name before it may hold spaces and parentheses.
QByteArray startTime(qint64 pid)
{
    const QByteArray stat = readSmallFile(u"/proc/%1/stat"_s.arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    return fields.size() > 19 ? fields.at(19) : QByteArray();
}

std::optional<Owner> processOwner(qint64 pid)
{
    Owner owner{pid, startTime(pid), bootId()};
    if (owner.startTime.isEmpty() || owner.boot.isEmpty())
        return std::nullopt;
    return owner;
}

std::optional<Owner> recordedOwner(const QString &folder)
{
    const QList<QByteArray> fields =
        readSmallFile(QDir(folder).filePath(QString::fromLatin1(TemporaryFolderOwner::fileName)))
            .simplified()
            .split(' ');
    bool number = false;
    const qint64 pid = fields.value(0).toLongLong(&number);
    if (fields.size() != 3 || !number || pid <= 0)
        return std::nullopt;
    return Owner{pid, fields.at(1), fields.at(2)};
}

bool abandoned(const QFileInfo &folder, const QByteArray &boot)
{
    const std::optional<Owner> recorded = recordedOwner(folder.filePath());
    if (!recorded)
        return folder.lastModified().secsTo(QDateTime::currentDateTime()) > unmarkedGraceSeconds;
    if (recorded->boot != boot)
        return true;
    const std::optional<Owner> running = processOwner(recorded->pid);
    return !running || running != recorded;
}

} // namespace

void TemporaryFolderOwner::mark(const QString &folder, pid_t pid)
{
    const std::optional<Owner> owner = processOwner(pid > 0 ? pid : ::getpid());
    if (!owner)
        return;
    // An owner file cut short by a full disk would read as no owner at all.
    QSaveFile file(QDir(folder).filePath(QString::fromLatin1(fileName)));
    const QByteArray text = owner->text();
    try {
        SavedFile::open(file);
        if (file.write(text) != text.size())
            SavedFile::fail(file);
        SavedFile::commit(file);
    } catch (const FileError &) {
        // Unmarked, the folder is kept for the grace period, like one being created.
    }
}

int TemporaryFolderOwner::removeAbandoned(const QString &temporaryFolder)
{
    int removed = 0;
    const uint user = ::getuid();
    const QByteArray boot = bootId();
    // Only names with one of the prefixes are looked at, however full the folder is.
    const QStringList ours{transcriptionPrefix + u'*', narrationPrefix + u'*'};
    QDirIterator entries(temporaryFolder, ours, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        const QFileInfo folder(entries.next());
        // A link is never followed: whatever it points to is not a folder we made.
        if (folder.isSymLink() || folder.ownerId() != user || !abandoned(folder, boot))
            continue;
        if (QDir(folder.filePath()).removeRecursively())
            ++removed;
    }
    return removed;
}

} // namespace telvora

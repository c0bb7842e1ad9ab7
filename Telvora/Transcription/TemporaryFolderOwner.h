#pragma once

#include <QDir>
#include <QString>
#include <QStringView>

#include <sys/types.h>

namespace telvora {

/// Who uses a private temporary folder ("telvora-transcription-<UUID>", "telvora-voice-<UUID>"):
/// a small file inside it names the owning process, so that a later start of Telvora can
/// remove the folders of a Telvora that was killed or lost its power, and never one that
/// a running Telvora still uses.
class TemporaryFolderOwner
{
public:
    /// The file inside each folder that names its owner.
    static constexpr auto fileName = "owner";
    /// The names of the folders start with these, followed by an upper-case UUID.
    static constexpr QStringView transcriptionPrefix = u"telvora-transcription-";
    static constexpr QStringView narrationPrefix = u"telvora-voice-";

    /// Records process `pid` (this one by default) as the owner of `folder`. Best effort:
    /// an unmarked folder is only taken for abandoned once it has been left alone for a while.
    static void mark(const QString &folder, pid_t pid = 0);

    /// Removes the folders of `temporaryFolder` with one of Telvora's prefixes whose owner
    /// is gone: it exited, or its process id now belongs to another process, or the
    /// machine restarted since. Only the user's own folders are touched. Returns how many
    /// were removed.
    static int removeAbandoned(const QString &temporaryFolder = QDir::tempPath());
};

} // namespace telvora

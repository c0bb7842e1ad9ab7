#pragma once

#include <QString>

namespace telvora {

/// The private folder of one narration, "telvora-voice-<UUID>" in the temporary folder.
/// It is removed with its files when this object goes, on every way out of the narration,
/// unless release() handed it over to the session first.
class NarrationFolder
{
public:
    /// Creates the folder (with missing parents); throws FileError when it cannot.
    NarrationFolder();
    ~NarrationFolder();
    NarrationFolder(const NarrationFolder &) = delete;
    NarrationFolder &operator=(const NarrationFolder &) = delete;

    const QString &path() const { return m_path; }
    /// The location of "parte-<index>.mp3" inside the folder.
    QString partPath(qsizetype index) const;
    /// Gives the folder up: it is no longer removed here.
    QString release();

private:
    QString m_path;
};

} // namespace telvora

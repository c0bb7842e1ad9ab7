#include "Telvora/Session/NarrationFolder.h"

#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Transcription/TemporaryFolderOwner.h"
#include "TelvoraCore/Errors/Error.h"

#include <QDir>
#include <QUuid>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

NarrationFolder::NarrationFolder()
    : m_path(QDir(QDir::tempPath())
                 .filePath(TemporaryFolderOwner::narrationPrefix
                           + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()))
{
    if (!QDir().mkpath(m_path)) {
        m_path.clear();
        throw FileError(SessionTexts::folderNotCreated.toString());
    }
    TemporaryFolderOwner::mark(m_path);
}

NarrationFolder::~NarrationFolder()
{
    // A folder that cannot be removed is left to the system's temporary-file clean-up.
    if (!m_path.isEmpty())
        QDir(m_path).removeRecursively();
}

QString NarrationFolder::partPath(qsizetype index) const
{
    return QDir(m_path).filePath(SessionTexts::narrationPartPrefix.toString() + QString::number(index) + u".mp3"_s);
}

QString NarrationFolder::release() { return std::exchange(m_path, QString()); }

} // namespace telvora

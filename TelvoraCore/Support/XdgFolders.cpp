#include "TelvoraCore/Support/XdgFolders.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace telvora::XdgFolders {

namespace {

QString baseFolder(const char *variable, const QString &underHome)
{
    const QString configured = qEnvironmentVariable(variable);
    if (configured.isEmpty() || QDir::isRelativePath(configured))
        return QDir::homePath() + underHome;
    return configured;
}

} // namespace

QString cacheHome() { return baseFolder("XDG_CACHE_HOME", u"/.cache"_s); }

QString dataHome() { return baseFolder("XDG_DATA_HOME", u"/.local/share"_s); }

} // namespace telvora::XdgFolders

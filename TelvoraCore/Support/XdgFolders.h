#pragma once

#include <QString>

/// The user's base folders as the XDG base directory specification defines them: the
/// variable's value when it is an absolute path, else the default under the home folder.
/// QStandardPaths is not used for these: Qt 6.4 takes a relative value as it is, where the
/// specification says to ignore it, and its test mode would hide the variable altogether.
namespace telvora::XdgFolders {

/// $XDG_CACHE_HOME, or ~/.cache.
QString cacheHome();

/// $XDG_DATA_HOME, or ~/.local/share.
QString dataHome();

} // namespace telvora::XdgFolders

#pragma once

#include "TelvoraCore/Errors/Error.h"

#include <QString>

class QFileDevice;

/// Portuguese sentences for failed file operations, in place of the system's English.
namespace telvora::FileFailure {

enum class Access { reading, writing };

/// What the user reads when reading or writing `path` failed with the system error `code`
/// (an errno value); a code without a sentence of its own gives the plain one.
QString message(Access access, const QString &path, int code);

/// The errno value behind a description Qt made of one, 0 when it is none the messages
/// tell apart.
int systemError(const QString &description);

/// The failure of `file` on `path`: the cause read from Qt's description, else from what
/// `path` is now (a folder, missing, not readable or writable).
FileError error(Access access, const QString &path, const QFileDevice &file);

} // namespace telvora::FileFailure

#pragma once

#include "Telvora/Session/UserPrompts.h"

#include <QStringList>

namespace telvora::FileTypes {

/// The extensions the program knows for `type`, in lower case and without the dot, in the
/// order the file dialogs list them. Linux has no content types behind a file name, so each
/// kind of file is these extensions.
QStringList extensions(UserPrompts::FileType type);

} // namespace telvora::FileTypes

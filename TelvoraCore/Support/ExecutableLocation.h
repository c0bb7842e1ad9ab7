#pragma once

#include <QString>

namespace telvora {

/// The folder holding the running executable; works before any QCoreApplication exists.
QString executableDirectory();

} // namespace telvora

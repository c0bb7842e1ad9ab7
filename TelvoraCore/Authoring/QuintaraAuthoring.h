#pragma once

#include <QString>
#include <QStringList>

namespace telvora::QuintaraAuthoring {

/// The guide files, relative to the guide folder, in the order they are joined.
const QStringList &documents();

/// The complete guide text from the core resource bundle. Reads the files on every call.
/// Throws TelvoraError when the bundle, the folder or a file is missing or unusable.
QString instructions();

/// The complete guide text composed from the files of `guideFolder`.
QString instructions(const QString &guideFolder);

} // namespace telvora::QuintaraAuthoring

#include "TelvoraCore/Support/ExecutableLocation.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

QString executableDirectory()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(u"/proc/self/exe"_s).canonicalFilePath()).absolutePath();
}

} // namespace telvora

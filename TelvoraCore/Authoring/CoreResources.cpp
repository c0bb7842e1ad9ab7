#include "TelvoraCore/Authoring/CoreResources.h"

#include "TelvoraCore/Support/ResourceBundle.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora::CoreResources {

QString bundlePath()
{
    // Resolved once per process; a function-local static is safe under concurrent first use.
    static const QString path = [] {
        const auto bundle = ResourceBundle::locate(QStringLiteral(TELVORA_CORE_BUNDLE_NAME),
                                                   QStringLiteral(TELVORA_CORE_BUNDLE_BUILD_PATH));
        return bundle ? bundle->path() : QString();
    }();
    return path;
}

} // namespace telvora::CoreResources

#include "TelvoraCore/Support/ResourceBundle.h"

#include "TelvoraCore/Support/ExecutableLocation.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

ResourceBundle::ResourceBundle(QString path)
    : m_path(std::move(path))
{}

std::optional<QString> ResourceBundle::resource(const QString &name, const QString &extension) const
{
    const QString fileName = extension.isEmpty() ? name : name + u'.' + extension;
    const QString file = QDir(m_path).filePath(fileName);
    if (QFileInfo::exists(file))
        return file;
    return std::nullopt;
}

QStringList ResourceBundle::searchPaths(const QString &bundleName, const QString &buildPath)
{
    // An installed program finds its data at ../share/telvora from its own folder, wherever
    // the tree was put (a package unpacked elsewhere, another prefix).
    const QDir executable(executableDirectory());
    return {executable.filePath(bundleName), QDir::cleanPath(executable.filePath(u"../share/telvora/"_s + bundleName)),
            buildPath, QStringLiteral(TELVORA_INSTALL_DATA_DIR) + u'/' + bundleName};
}

std::optional<ResourceBundle> ResourceBundle::locate(const QString &bundleName, const QString &buildPath)
{
    for (const QString &candidate : searchPaths(bundleName, buildPath)) {
        if (QFileInfo(candidate).isDir())
            return ResourceBundle(QDir::cleanPath(candidate));
    }
    return std::nullopt;
}

const ResourceBundle &AppResources::bundle()
{
    // A function-local static is initialised once, safely under concurrent first use.
    static const ResourceBundle bundle = [] {
        const QString name = QStringLiteral(TELVORA_APP_BUNDLE_NAME);
        const QString buildPath = QStringLiteral(TELVORA_APP_BUNDLE_BUILD_PATH);
        if (auto found = ResourceBundle::locate(name, buildPath))
            return *found;
        const QString first = ResourceBundle::searchPaths(name, buildPath).first();
        std::fprintf(stderr, "could not load resource bundle: from %s or %s\n", qPrintable(first),
                     qPrintable(buildPath));
        std::exit(EXIT_FAILURE);
    }();
    return bundle;
}

} // namespace telvora

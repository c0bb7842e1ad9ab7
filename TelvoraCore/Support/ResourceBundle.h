#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace telvora {

/// A resource bundle: a folder of named resources shipped beside the program.
class ResourceBundle
{
public:
    explicit ResourceBundle(QString path);

    const QString &path() const { return m_path; }

    /// The file of the resource `name` with `extension` (none for ""), if it exists.
    std::optional<QString> resource(const QString &name, const QString &extension = {}) const;

    /// Where a bundle called `bundleName` is looked for, in order: beside the executable,
    /// in ../share/telvora from the executable's folder, in the build tree, under the
    /// install prefix.
    static QStringList searchPaths(const QString &bundleName, const QString &buildPath);

    /// The first of `searchPaths` that exists.
    static std::optional<ResourceBundle> locate(const QString &bundleName, const QString &buildPath);

private:
    QString m_path;
};

/// The application's resource bundle ("Telvora_Telvora.bundle"): fonts, artwork, icon and
/// the transcription runtime. Resolved once; stops the process when it cannot be found.
namespace AppResources {
const ResourceBundle &bundle();
}

} // namespace telvora

#include "Telvora/Shell/CaptureFolder.h"

#include "TelvoraCore/Support/ResourceBundle.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

namespace telvora::CaptureFolder {

std::optional<QString> configuredPath()
{
    const std::optional<QString> info = AppResources::bundle().resource(u"Info"_s, u"json"_s);
    if (!info)
        return std::nullopt;
    QFile file(*info);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonValue value = QJsonDocument::fromJson(file.readAll()).object().value(u"TelvoraCapturePath"_s);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

QString forCaptures() { return configuredPath().value_or(QDir(QDir::tempPath()).filePath(u"telvora-captures"_s)); }

QString forCheck() { return configuredPath().value_or(u"/tmp"_s); }

} // namespace telvora::CaptureFolder

#pragma once

#include <QByteArray>
#include <QJsonDocument>

namespace telvora::Json {

/// Parses `bytes` as a JSON document; throws JsonError with the parser's description.
QJsonDocument parse(const QByteArray &bytes);

} // namespace telvora::Json

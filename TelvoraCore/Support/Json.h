#pragma once

#include <QByteArray>
#include <QJsonDocument>

namespace telvora::Json {

/// Parses `bytes` as a JSON document; throws JsonError saying where and what is wrong.
QJsonDocument parse(const QByteArray &bytes);

} // namespace telvora::Json

#pragma once

// Readable GoogleTest failure output for the Qt and Telvora values tests compare.

#include "TelvoraCore/Vocabulary/Voice.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &value, std::ostream *out) { *out << '"' << value.toStdString() << '"'; }

inline void PrintTo(const QByteArray &value, std::ostream *out) { *out << '"' << value.toStdString() << '"'; }

inline void PrintTo(const QStringList &value, std::ostream *out)
{
    *out << '[' << value.join(u", ").toStdString() << ']';
}
QT_END_NAMESPACE

namespace telvora {
inline void PrintTo(const Voice &voice, std::ostream *out)
{
    *out << '{' << voice.id.toStdString() << ", " << voice.name.toStdString() << '}';
}
} // namespace telvora

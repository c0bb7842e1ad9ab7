#pragma once

#include "TelvoraCore/Vocabulary/OutputKind.h"
#include "TelvoraCore/Vocabulary/OutputLength.h"
#include "TelvoraCore/Vocabulary/VoiceProvider.h"

#include <QString>
#include <QStringList>

namespace telvora::Editorial {

/// The editor prompt shared by every editorial request (ends with a line feed).
QString basePrompt();

/// Complete instructions for one editorial request. Reads the presentation guide
/// for `quintara` (and may then throw its TelvoraError); pure otherwise.
QString instructions(OutputKind kind, OutputLength length);

/// Instructions for rewriting a document into a spoken script.
QString speechInstructions(VoiceProvider provider, bool expressiveTags);

/// Cuts a script into trimmed chunks of at most `limit` user-perceived characters,
/// preferring a break character in the second half of each window. A limit below 1
/// is read as 1.
QStringList speechChunks(const QString &text, int limit);

} // namespace telvora::Editorial

#pragma once

#include <QString>

namespace telvora::Characters {

/// The characters a reader sees in `text` (grapheme clusters), so that "é" written as "e"
/// and a combining accent, or a flag, counts once.
qsizetype count(const QString &text);

} // namespace telvora::Characters

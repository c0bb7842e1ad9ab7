#pragma once

#include <QString>

#include <optional>

namespace telvora::DiagramASCII {

/// The document with every Mermaid block that flowchart() understands replaced by a
/// "text" block holding its drawing; everything else is left as it was.
QString convertBlocks(const QString &text);

/// Draws a diagram body made only of "-->" edges between plain nodes (optionally with a
/// [label]) as boxes and arrows, or nothing when the body uses anything else.
std::optional<QString> flowchart(const QString &source);

} // namespace telvora::DiagramASCII

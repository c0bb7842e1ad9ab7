#pragma once

#include "Telvora/Document/StyledText.h"

#include <QList>
#include <QString>

/// Reading typography of the editorial documents, without markup in the stored text.
/// Both functions are pure and may run on any thread.
namespace telvora::StyledDocument {

/// The model's lightly marked-up text as clean reading text: heading and bold marks
/// removed, list marks turned into bullets.
QString plain(const QString &text);

/// How the type sizes are given: design points are points in files, and on screen they
/// are shown as pixels, like every other measure of the windows.
enum class SizeUnit { points, pixels };

/// A line that the styling sets as the title (the first line, when it is not blank) or as
/// a section heading; in UTF-16 code units of the text, without its line break.
struct HeadingLine
{
    qsizetype offset = 0;
    qsizetype length = 0;
    bool title = false;

    friend bool operator==(const HeadingLine &, const HeadingLine &) = default;
};

/// The title and section headings of the text, in order, as attributed() styles them.
QList<HeadingLine> headings(const QString &text);

/// The text unchanged, with the title, section headings and blank lines styled by their
/// content; `code` shows it in monospace with no roles at all.
StyledText attributed(const QString &text, bool code, SizeUnit unit = SizeUnit::points);

} // namespace telvora::StyledDocument

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

/// The part a line of prose plays, told by its content and its place alone.
enum class LineRole { body, title, heading };

/// How attributed() styles one line of prose: the role gives the font of the line's
/// characters, and a blank line has the blank-line paragraph style over the line and its
/// line break. The line break itself always keeps the body font.
struct LineStyle
{
    LineRole role = LineRole::body;
    bool blank = false;

    friend bool operator==(const LineStyle &, const LineStyle &) = default;
};

/// The style of line `index` (from 0) of a prose text; `last` tells that no line break
/// follows it.
LineStyle lineStyle(QStringView line, qsizetype index, bool last);

/// The typography of the styling: the font of a role (code mode has one font for all),
/// the ink of the whole text and the paragraph style of blank and other lines.
const QFont &font(LineRole role, bool code, SizeUnit unit);
QColor ink();
ParagraphStyle paragraphStyle(bool blank);

} // namespace telvora::StyledDocument

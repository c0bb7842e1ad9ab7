#include "Telvora/Document/StyledDocument.h"

#include "Telvora/Document/DocumentFonts.h"

#include <QFontDatabase>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace telvora::StyledDocument {

namespace {

constexpr std::array<QStringView, 5> sectionNames{u"Introdução", u"Pontos principais", u"Pontos-chave", u"Resumo",
                                                  u"Conclusão"};

constexpr qreal bodySize = 18;
constexpr qreal codeSize = 15;
constexpr qreal titleSize = 32;
constexpr qreal headingSize = 24;
constexpr qreal lineSpacing = 4;
constexpr qreal blankLineHeight = 12;
constexpr qreal inkGrey = 0.12;

struct Typography
{
    QFont body;
    QFont code;
    QFont title;
    QFont heading;
};

void setSize(QFont &font, qreal size, SizeUnit unit)
{
    if (unit == SizeUnit::pixels)
        font.setPixelSize(qRound(size));
    else
        font.setPointSizeF(size);
}

// Named Georgia even where it is not installed: DocumentFonts makes Gelasio stand in for
// it on screen, and exported files keep the name the document was designed with.
QFont serif(qreal size, bool bold, SizeUnit unit)
{
    QFont font(DocumentFonts::serifFamily.toString());
    font.setStyleHint(QFont::Serif);
    setSize(font, size, unit);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

Typography makeTypography(SizeUnit unit)
{
    QFont code = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setSize(code, codeSize, unit);
    code.setWeight(QFont::Normal);
    return Typography{serif(bodySize, false, unit), code, serif(titleSize, true, unit), serif(headingSize, true, unit)};
}

// Font lookups cost far more than the styling itself, and the installed fonts do not
// change while the program runs, so they are resolved once per unit.
const Typography &typography(SizeUnit unit)
{
    static const Typography inPoints = makeTypography(SizeUnit::points);
    static const Typography inPixels = makeTypography(SizeUnit::pixels);
    return unit == SizeUnit::pixels ? inPixels : inPoints;
}

bool isSpaceOrTab(QChar c) { return c == u' ' || c == u'\t'; }

QStringView trimSpacesAndTabs(QStringView line)
{
    qsizetype begin = 0, end = line.size();
    while (begin < end && isSpaceOrTab(line[begin]))
        ++begin;
    while (end > begin && isSpaceOrTab(line[end - 1]))
        --end;
    return line.sliced(begin, end - begin);
}

bool isSectionHeading(QStringView line, QStringView trimmed)
{
    if (line.startsWith(u"# ") || line.startsWith(u"## "))
        return true;
    return std::find(sectionNames.begin(), sectionNames.end(), trimmed) != sectionNames.end();
}

bool isNewline(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

qsizetype skipWhitespace(QStringView line, qsizetype from)
{
    while (from < line.size() && line[from].isSpace())
        ++from;
    return from;
}

// The three clean-up steps of one line: "#" heading marks, "**" bold marks, "-"/"*" list marks.
void appendCleanLine(QString &out, QStringView line)
{
    qsizetype marks = 0;
    while (marks < line.size() && line[marks] == u'#')
        ++marks;
    if (marks >= 1 && marks <= 6 && marks < line.size() && line[marks].isSpace())
        line = line.sliced(skipWhitespace(line, marks));

    QString unbolded = line.toString();
    unbolded.remove(u"**"_s);

    QStringView rest(unbolded);
    if (rest.size() > 1 && (rest[0] == u'-' || rest[0] == u'*') && rest[1].isSpace()) {
        out += u"• ";
        rest = rest.sliced(skipWhitespace(rest, 1));
    }
    out += rest;
}

} // namespace

QString plain(const QString &text)
{
    QString out;
    out.reserve(text.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isNewline(text[i]))
            continue;
        if (start > 0)
            out += u'\n';
        appendCleanLine(out, QStringView(text).sliced(start, i - start));
        start = i + 1;
    }
    return out;
}

LineStyle lineStyle(QStringView line, qsizetype index, bool last)
{
    const QStringView trimmed = trimSpacesAndTabs(line);
    LineStyle style;
    if (index == 0 && !trimmed.isEmpty())
        style.role = LineRole::title;
    else if (isSectionHeading(line, trimmed))
        style.role = LineRole::heading;
    // The empty remainder after a final line break is no blank line.
    style.blank = trimmed.isEmpty() && !(last && line.isEmpty());
    return style;
}

const QFont &font(LineRole role, bool code, SizeUnit unit)
{
    const Typography &fonts = typography(unit);
    if (code)
        return fonts.code;
    switch (role) {
    case LineRole::title:
        return fonts.title;
    case LineRole::heading:
        return fonts.heading;
    case LineRole::body:
        break;
    }
    return fonts.body;
}

QColor ink() { return QColor::fromRgbF(inkGrey, inkGrey, inkGrey, 1); }

ParagraphStyle paragraphStyle(bool blank)
{
    return blank ? ParagraphStyle{0, 0, blankLineHeight, blankLineHeight} : ParagraphStyle{lineSpacing, 0, 0, 0};
}

namespace {

// Calls visit(offset, length, style) for every line of a prose text, split at line feeds.
template<typename Visit>
void forEachLineStyle(const QString &text, Visit visit)
{
    const qsizetype total = text.size();
    qsizetype offset = 0;
    for (qsizetype index = 0; offset <= total; ++index) {
        qsizetype lineFeed = text.indexOf(u'\n', offset);
        if (lineFeed < 0)
            lineFeed = total;
        const qsizetype length = lineFeed - offset;
        visit(offset, length, lineStyle(QStringView(text).sliced(offset, length), index, lineFeed == total));
        offset += length + 1;
    }
}

} // namespace

QList<HeadingLine> headings(const QString &text)
{
    QList<HeadingLine> found;
    forEachLineStyle(text, [&found](qsizetype offset, qsizetype length, const LineStyle &style) {
        if (style.role != LineRole::body)
            found.append({offset, length, style.role == LineRole::title});
    });
    return found;
}

StyledText attributed(const QString &text, bool code, SizeUnit unit)
{
    const qsizetype total = text.size();
    StyledText styled(text);
    styled.addFont(0, total, font(LineRole::body, code, unit));
    styled.addColour(0, total, ink());
    styled.addParagraph(0, total, paragraphStyle(false));
    if (code)
        return styled;

    const ParagraphStyle blankLine = paragraphStyle(true);
    forEachLineStyle(text, [&](qsizetype offset, qsizetype length, const LineStyle &style) {
        if (style.role != LineRole::body)
            styled.addFont(offset, length, font(style.role, false, unit));
        // The blank line's range takes its line break too.
        if (style.blank)
            styled.addParagraph(offset, std::min(length + 1, total - offset), blankLine);
    });
    return styled;
}

} // namespace telvora::StyledDocument

#include "Telvora/Document/StyledText.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <deque>
#include <map>

namespace telvora {

namespace {

// Start of each stretch -> index of the run whose value holds there (-1: none).
using Layers = std::map<qsizetype, qsizetype>;

template<typename Value>
Layers layer(const QList<StyledRun<Value>> &runs, qsizetype textLength)
{
    Layers layers{{0, -1}, {textLength, -1}};
    for (qsizetype index = 0; index < runs.size(); ++index) {
        const qsizetype begin = std::clamp<qsizetype>(runs[index].offset, 0, textLength);
        const qsizetype end = std::clamp<qsizetype>(runs[index].offset + runs[index].length, begin, textLength);
        if (begin == end)
            continue;
        auto after = std::prev(layers.upper_bound(end));
        const qsizetype resumed = after->second;
        layers.erase(layers.lower_bound(begin), layers.upper_bound(end));
        layers[begin] = index;
        layers[end] = end == textLength ? -1 : resumed;
    }
    return layers;
}

template<typename Value>
Value valueAt(const QList<StyledRun<Value>> &runs, qsizetype position)
{
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        if (position >= run->offset && position < run->offset + run->length)
            return run->value;
    }
    return Value();
}

template<typename Value>
Value valueOf(const QList<StyledRun<Value>> &runs, qsizetype index)
{
    return index < 0 ? Value() : runs[index].value;
}

QTextCharFormat charFormat(const StyledSegment &segment)
{
    QTextCharFormat format;
    format.setFont(segment.font);
    format.setForeground(segment.colour);
    return format;
}

QTextBlockFormat blockFormat(const ParagraphStyle &style)
{
    QTextBlockFormat format;
    if (style.maximumLineHeight > 0 && style.minimumLineHeight == style.maximumLineHeight)
        format.setLineHeight(style.maximumLineHeight, QTextBlockFormat::FixedHeight);
    else if (style.minimumLineHeight > 0)
        format.setLineHeight(style.minimumLineHeight, QTextBlockFormat::MinimumHeight);
    else
        format.setLineHeight(style.lineSpacing, QTextBlockFormat::LineDistanceHeight);
    format.setTopMargin(0);
    format.setBottomMargin(style.paragraphSpacing);
    return format;
}

// The formats of the few distinct looks a styling uses, each made once: making a format
// from a font costs far more than inserting the text it formats.
class FormatCache
{
public:
    const QTextCharFormat &chars(const StyledSegment &segment)
    {
        for (const CharLook &look : m_chars) {
            if (look.font == segment.font && look.colour == segment.colour)
                return look.format;
        }
        m_chars.push_back({segment.font, segment.colour, charFormat(segment)});
        return m_chars.back().format;
    }

    const QTextBlockFormat &block(const ParagraphStyle &style)
    {
        for (const auto &[known, format] : m_blocks) {
            if (known == style)
                return format;
        }
        m_blocks.emplace_back(style, blockFormat(style));
        return m_blocks.back().second;
    }

private:
    struct CharLook
    {
        QFont font;
        QColor colour;
        QTextCharFormat format;
    };
    // Deques keep the references handed out valid as looks are added.
    std::deque<CharLook> m_chars;
    std::deque<std::pair<ParagraphStyle, QTextBlockFormat>> m_blocks;
};

} // namespace

StyledText::StyledText(QString text)
    : m_text(std::move(text))
{}

void StyledText::addFont(qsizetype offset, qsizetype length, const QFont &font)
{
    m_fonts.append({offset, length, font});
}

void StyledText::addColour(qsizetype offset, qsizetype length, const QColor &colour)
{
    m_colours.append({offset, length, colour});
}

void StyledText::addParagraph(qsizetype offset, qsizetype length, const ParagraphStyle &style)
{
    m_paragraphs.append({offset, length, style});
}

QFont StyledText::fontAt(qsizetype position) const { return valueAt(m_fonts, position); }

QColor StyledText::colourAt(qsizetype position) const { return valueAt(m_colours, position); }

ParagraphStyle StyledText::paragraphAt(qsizetype position) const { return valueAt(m_paragraphs, position); }

QList<StyledSegment> StyledText::segments() const
{
    const qsizetype length = m_text.size();
    const Layers fonts = layer(m_fonts, length);
    const Layers colours = layer(m_colours, length);
    const Layers paragraphs = layer(m_paragraphs, length);

    QList<StyledSegment> result;
    auto font = fonts.begin(), colour = colours.begin(), paragraph = paragraphs.begin();
    qsizetype position = 0;
    while (position < length) {
        // Each iterator points at the stretch holding `position`; the segment ends at the
        // nearest following boundary of any of the three.
        qsizetype end = length;
        for (auto next : {std::next(font), std::next(colour), std::next(paragraph)})
            end = std::min(end, next->first);
        const qsizetype fontIndex = font->second, colourIndex = colour->second, paragraphIndex = paragraph->second;
        StyledSegment segment{position, end - position, valueOf(m_fonts, fontIndex), valueOf(m_colours, colourIndex),
                              valueOf(m_paragraphs, paragraphIndex)};
        result.append(std::move(segment));
        position = end;
        if (std::next(font)->first == end)
            ++font;
        if (std::next(colour)->first == end)
            ++colour;
        if (std::next(paragraph)->first == end)
            ++paragraph;
    }
    return result;
}

QTextCharFormat StyledText::charFormat(const StyledSegment &segment) { return telvora::charFormat(segment); }

QTextBlockFormat StyledText::blockFormat(const ParagraphStyle &style) { return telvora::blockFormat(style); }

std::unique_ptr<QTextDocument> StyledText::toDocument() const
{
    auto document = std::make_unique<QTextDocument>();
    applyTo(*document);
    return document;
}

void StyledText::applyTo(QTextDocument &document) const
{
    // Building is no edit to take back; recording it would double the work.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    const QList<StyledSegment> all = segments();
    FormatCache formats;
    if (!all.isEmpty())
        cursor.setBlockFormat(formats.block(all.front().paragraph));
    // Every "\n" becomes a block separator, so positions in the document are the text's
    // UTF-16 positions. The block takes the paragraph style of its first character.
    for (qsizetype index = 0; index < all.size(); ++index) {
        const StyledSegment &segment = all[index];
        const QTextCharFormat &format = formats.chars(segment);
        const QStringView piece = QStringView(m_text).mid(segment.offset, segment.length);
        qsizetype start = 0;
        for (qsizetype lineFeed = piece.indexOf(u'\n'); lineFeed >= 0; lineFeed = piece.indexOf(u'\n', start)) {
            if (lineFeed > start)
                cursor.insertText(piece.mid(start, lineFeed - start).toString(), format);
            const bool lastOfSegment = lineFeed + 1 == piece.size();
            const ParagraphStyle &next =
                lastOfSegment && index + 1 < all.size() ? all[index + 1].paragraph : segment.paragraph;
            cursor.insertBlock(formats.block(next), format);
            start = lineFeed + 1;
        }
        if (start < piece.size())
            cursor.insertText(piece.mid(start).toString(), format);
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
}

} // namespace telvora

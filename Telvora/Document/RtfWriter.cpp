#include "Telvora/Document/RtfWriter.h"

#include "Telvora/Document/StyledDocument.h"

#include <cmath>

namespace telvora {

namespace {

constexpr int twipsPerPoint = 20;

int twips(qreal points) { return int(std::lround(points * twipsPerPoint)); }

int halfPoints(const QFont &font)
{
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : 12;
    return int(std::lround(points * 2));
}

// The kind of face, so that a reader without the font picks a like one.
QByteArray fontFamilyWord(const QFont &font)
{
    switch (font.styleHint()) {
    case QFont::Serif:
        return "\\froman";
    case QFont::SansSerif:
        return "\\fswiss";
    case QFont::TypeWriter:
    case QFont::Monospace:
        return "\\fmodern";
    default:
        return font.fixedPitch() ? "\\fmodern" : "\\fnil";
    }
}

int channel(float component) { return int(std::lround(component * 255)); }

// Plain ASCII passes as is; everything else is a \uN escape with "?" for readers
// without Unicode, so the file itself stays 7-bit.
void appendEscaped(QByteArray &out, QStringView text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += '\\';
            out += char(u);
        } else if (u == u'\t') {
            out += "\\tab ";
        } else if (u >= 0x20 && u < 0x7F) {
            out += char(u);
        } else {
            out += "\\u";
            out += QByteArray::number(int(qint16(u)));
            out += '?';
        }
    }
}

class Writer
{
public:
    explicit Writer(const StyledText &styled)
        : m_styled(styled)
        , m_segments(styled.segments())
    {
        for (const StyledSegment &segment : m_segments) {
            if (!m_fonts.contains(segment.font.family())) {
                m_fonts.append(segment.font.family());
                m_faces.append(segment.font);
            }
            if (!m_colours.contains(segment.colour))
                m_colours.append(segment.colour);
        }
    }

    QByteArray write()
    {
        m_out.reserve(m_styled.text().size() * 11 / 10 + 512);
        m_out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n";
        writeFontTable();
        writeColourTable();
        const QString &text = m_styled.text();
        qsizetype segment = 0;
        for (qsizetype start = 0; start <= text.size();) {
            qsizetype end = text.indexOf(u'\n', start);
            const bool lastLine = end < 0;
            if (lastLine)
                end = text.size();
            if (start < end || !lastLine)
                writeParagraphStyle(paragraphFor(start, segment));
            while (segment < m_segments.size() && m_segments[segment].offset < end) {
                const StyledSegment &piece = m_segments[segment];
                const qsizetype from = std::max(piece.offset, start);
                const qsizetype to = std::min(piece.offset + piece.length, end);
                writeCharacterStyle(piece);
                appendEscaped(m_out, QStringView(text).sliced(from, to - from));
                if (piece.offset + piece.length > end)
                    break;
                ++segment;
            }
            if (lastLine)
                break;
            m_out += "\\par\n";
            start = end + 1;
        }
        m_out += "}\n";
        return m_out;
    }

private:
    void writeFontTable()
    {
        m_out += "{\\fonttbl";
        for (qsizetype index = 0; index < m_fonts.size(); ++index) {
            m_out += "{\\f" + QByteArray::number(index) + fontFamilyWord(m_faces[index]) + "\\fcharset0 ";
            appendEscaped(m_out, m_fonts[index]);
            m_out += ";}";
        }
        m_out += "}\n";
    }

    void writeColourTable()
    {
        m_out += "{\\colortbl;";
        for (const QColor &colour : m_colours) {
            m_out += "\\red" + QByteArray::number(channel(colour.redF())) + "\\green"
                + QByteArray::number(channel(colour.greenF())) + "\\blue" + QByteArray::number(channel(colour.blueF()))
                + ';';
        }
        m_out += "}\n";
    }

    // The paragraph of a line is the style of its first character, or of its line break
    // when the line is empty.
    ParagraphStyle paragraphFor(qsizetype position, qsizetype segment) const
    {
        while (segment < m_segments.size() && m_segments[segment].offset + m_segments[segment].length <= position)
            ++segment;
        return segment < m_segments.size() ? m_segments[segment].paragraph : ParagraphStyle();
    }

    // Exact line height in the standard vocabulary; the extra leading between lines in the
    // extension macOS editors write, which other readers skip.
    void writeParagraphStyle(const ParagraphStyle &style)
    {
        m_out += "\\pard";
        if (style.maximumLineHeight > 0 && style.minimumLineHeight == style.maximumLineHeight)
            m_out += "\\sl-" + QByteArray::number(twips(style.maximumLineHeight)) + "\\slmult0";
        else if (style.minimumLineHeight > 0)
            m_out += "\\sl" + QByteArray::number(twips(style.minimumLineHeight)) + "\\slmult0";
        if (style.lineSpacing > 0)
            m_out += "\\slleading" + QByteArray::number(twips(style.lineSpacing));
        m_out += "\\sa" + QByteArray::number(twips(style.paragraphSpacing));
        m_out += ' ';
        m_current.reset();
    }

    void writeCharacterStyle(const StyledSegment &segment)
    {
        const CharacterStyle style{int(m_fonts.indexOf(segment.font.family())), halfPoints(segment.font),
                                   segment.font.bold(), segment.font.italic(),
                                   int(m_colours.indexOf(segment.colour)) + 1};
        if (m_current && *m_current == style)
            return;
        m_out += "\\f" + QByteArray::number(style.font) + "\\fs" + QByteArray::number(style.halfPoints);
        m_out += style.bold ? "\\b" : "\\b0";
        m_out += style.italic ? "\\i" : "\\i0";
        m_out += "\\cf" + QByteArray::number(style.colour) + ' ';
        m_current = style;
    }

    struct CharacterStyle
    {
        int font;
        int halfPoints;
        bool bold;
        bool italic;
        int colour;
        friend bool operator==(const CharacterStyle &, const CharacterStyle &) = default;
    };

    const StyledText &m_styled;
    const QList<StyledSegment> m_segments;
    QStringList m_fonts;
    QList<QFont> m_faces; // the first font seen of each family
    QList<QColor> m_colours;
    std::optional<CharacterStyle> m_current;
    QByteArray m_out;
};

} // namespace

QByteArray RtfWriter::write(const QString &text) { return write(StyledDocument::attributed(text, false)); }

QByteArray RtfWriter::write(const StyledText &styled) { return Writer(styled).write(); }

} // namespace telvora

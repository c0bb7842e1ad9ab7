#include "Telvora/Document/RtfReader.h"

#include "Telvora/Document/CodePageDecoder.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

const auto notRtfMessage = u"O arquivo não é um documento RTF: ele não começa com “{\\rtf”."_s;
const auto unclosedMessage = u"Documento RTF inválido: o arquivo termina com %1 grupo(s) sem “}”."_s;
const auto extraBraceMessage = u"Documento RTF inválido: há um “}” sem grupo aberto."_s;

// Groups whose content is never part of the document's text.
constexpr std::array<std::string_view, 41> skippedDestinations{
    "annotation", "atnauthor", "atnid",      "bkmkend",  "bkmkstart",    "colorschememapping",
    "colortbl",   "datastore", "docvar",     "filetbl",  "fldinst",      "footer",
    "footerf",    "footerl",   "footerr",    "footnote", "generator",    "header",
    "headerf",    "headerl",   "headerr",    "info",     "latentstyles", "listoverridetable",
    "listtable",  "mmathPr",   "nonshppict", "objdata",  "object",       "pgdsctbl",
    "pict",       "private",   "revtbl",     "rsidtbl",  "stylesheet",   "tc",
    "template",   "themedata", "userprops",  "xe",       "xmlnstbl"};

static_assert(std::is_sorted(skippedDestinations.begin(), skippedDestinations.end()), "looked up by binary search");

struct CharacterWord
{
    std::string_view name;
    char16_t character;
};

constexpr std::array<CharacterWord, 21> characterWords{{
    {"bullet", u'\u2022'},  {"cell", u'\t'},          {"emdash", u'\u2014'},    {"emspace", u'\u2003'},
    {"endash", u'\u2013'},  {"enspace", u'\u2002'},   {"ldblquote", u'\u201C'}, {"line", u'\n'},
    {"lquote", u'\u2018'},  {"ltrmark", u'\u200E'},   {"nestcell", u'\t'},      {"nestrow", u'\n'},
    {"qmspace", u'\u2005'}, {"rdblquote", u'\u201D'}, {"row", u'\n'},           {"rquote", u'\u2019'},
    {"rtlmark", u'\u200F'}, {"zwbo", u'\u200B'},      {"zwj", u'\u200D'},       {"zwnbo", u'\uFEFF'},
    {"zwnj", u'\u200C'},
}};

// Windows character sets of the font table, as code pages.
int codePageForCharset(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 0; // the document's own code page
    }
}

enum class Destination {
    Text,
    FontTable,
    Skipped,
    Numbering,     // "\pn": how the paragraph is numbered
    NumberingText, // "\pntxtb"/"\pntxta": the text before or after its number
    ListText,      // "\pntext"/"\listtext": the paragraph's number written out for other readers
};

// Destinations that may come marked "\*" ("skip me if you do not know me") and that
// this reader knows how to read.
constexpr std::array<std::string_view, 2> readMarkedDestinations{"fldrslt", "pn"};

enum class NumberStyle { Decimal, UpperLetter, LowerLetter, UpperRoman, LowerRoman, Bullet, None };

// The old paragraph numbering ("\pn"), which some editors write with no "\pntext" copy
// of the number for other readers.
struct Numbering
{
    NumberStyle style = NumberStyle::Decimal;
    qint64 start = 1;
    QString before;
    QString after;
};

QString roman(qint64 number)
{
    static constexpr std::array<std::pair<int, const char *>, 13> digits{{{1000, "M"},
                                                                          {900, "CM"},
                                                                          {500, "D"},
                                                                          {400, "CD"},
                                                                          {100, "C"},
                                                                          {90, "XC"},
                                                                          {50, "L"},
                                                                          {40, "XL"},
                                                                          {10, "X"},
                                                                          {9, "IX"},
                                                                          {5, "V"},
                                                                          {4, "IV"},
                                                                          {1, "I"}}};
    QString out;
    for (const auto &[value, letters] : digits) {
        for (; number >= value; number -= value)
            out += QLatin1StringView(letters);
    }
    return out;
}

QString letters(qint64 number)
{
    QString out;
    for (; number > 0; number = (number - 1) / 26)
        out.prepend(QChar(u'A' + char16_t((number - 1) % 26)));
    return out;
}

QString numberText(NumberStyle style, qint64 number)
{
    switch (style) {
    case NumberStyle::Decimal:
        return QString::number(number);
    case NumberStyle::UpperLetter:
        return letters(number);
    case NumberStyle::LowerLetter:
        return letters(number).toLower();
    case NumberStyle::UpperRoman:
        return roman(number);
    case NumberStyle::LowerRoman:
        return roman(number).toLower();
    case NumberStyle::Bullet:
    case NumberStyle::None:
        break;
    }
    return {};
}

struct Group
{
    Destination destination = Destination::Text;
    int unicodeFallback = 1;   // characters after \uN that stand in for it
    int font = -1;             // -1: the document's default font
    bool withinUpr = false;    // inside "\upr", whose "\ud" group holds the text to show
    bool numberBefore = false; // inside "\pntxtb" rather than "\pntxta"
};

class Parser
{
public:
    explicit Parser(const QByteArray &rtf)
        : m_at(rtf.constData())
        , m_end(rtf.constData() + rtf.size())
    {
        m_out.reserve(rtf.size());
    }

    QString run()
    {
        skipPreamble();
        // The state lives on a heap stack, one entry per open group, so no nesting depth
        // can exhaust the call stack.
        while (m_at < m_end) {
            const char c = *m_at++;
            switch (c) {
            case '{':
                flushBytes();
                m_fallbackLeft = 0;
                m_groups.push_back(m_groups.back());
                break;
            case '}': {
                flushBytes();
                m_fallbackLeft = 0;
                const bool closesListText = m_groups.back().destination == Destination::ListText
                    && m_groups[m_groups.size() - 2].destination != Destination::ListText;
                m_groups.pop_back();
                if (closesListText)
                    finishListText();
                if (m_groups.size() == 1)
                    return finish();
                break;
            }
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
            case '\0':
                break;
            default:
                textByte(c);
            }
        }
        throw RtfError(unclosedMessage.arg(m_groups.size() - 1));
    }

private:
    void skipPreamble()
    {
        // A byte-order mark or blank lines before the document are harmless.
        if (m_end - m_at >= 3 && std::string_view(m_at, 3) == "\xEF\xBB\xBF")
            m_at += 3;
        while (m_at < m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\r' || *m_at == '\n'))
            ++m_at;
        if (m_end - m_at < 5 || std::string_view(m_at, 5) != "{\\rtf")
            throw RtfError(notRtfMessage);
        m_groups.push_back(Group{Destination::Skipped}); // outside the document
        m_groups.push_back(Group{});
        ++m_at;
    }

    QString finish()
    {
        flushBytes();
        resolveSurrogate();
        while (m_at < m_end) {
            if (*m_at++ == '}')
                throw RtfError(extraBraceMessage);
        }
        return m_out;
    }

    Group &group() { return m_groups.back(); }

    bool consumeFallback()
    {
        if (m_fallbackLeft == 0)
            return false;
        --m_fallbackLeft;
        return true;
    }

    void textByte(char c)
    {
        const Destination destination = group().destination;
        if (consumeFallback()
            || (destination != Destination::Text && destination != Destination::NumberingText
                && destination != Destination::ListText))
            return;
        m_bytes += c;
    }

    void controlSequence()
    {
        if (m_at >= m_end)
            return;
        const char c = *m_at;
        if (isLetter(c)) {
            controlWord();
            return;
        }
        ++m_at;
        m_markedDestination = false;
        if (c == '\'') {
            hexByte();
            return;
        }
        flushBytes();
        if (consumeFallback())
            return;
        switch (c) {
        case '*':
            m_markedDestination = true;
            return;
        case '\\':
        case '{':
        case '}':
            put(char16_t(c));
            break;
        case '\r':
        case '\n':
            put(u'\n');
            break;
        case '~':
            put(u'\u00A0');
            break;
        case '_':
            put(u'\u2011');
            break;
        default: // "\-" optional hyphen, "\:" index entry, "\|" formula: nothing to show
            break;
        }
    }

    void hexByte()
    {
        int value = 0;
        for (int digit = 0; digit < 2; ++digit) {
            const int nibble = m_at < m_end ? hexValue(*m_at) : -1;
            if (nibble < 0)
                return; // a malformed escape stands for nothing
            value = value * 16 + nibble;
            ++m_at;
        }
        textByte(char(value));
    }

    void controlWord()
    {
        const char *nameStart = m_at;
        while (m_at < m_end && isLetter(*m_at))
            ++m_at;
        const std::string_view name(nameStart, m_at - nameStart);
        bool hasParameter = false;
        bool negative = false;
        qint64 parameter = 0;
        if (m_at + 1 < m_end && *m_at == '-' && isDigit(m_at[1])) {
            negative = true;
            ++m_at;
        }
        while (m_at < m_end && isDigit(*m_at)) {
            hasParameter = true;
            // Saturate: an absurd parameter must not overflow, only be out of range.
            parameter = std::min<qint64>(parameter * 10 + (*m_at - '0'), qint64(1) << 40);
            ++m_at;
        }
        if (m_at < m_end && *m_at == ' ')
            ++m_at;
        if (negative)
            parameter = -parameter;
        flushBytes();
        if (name == "bin") {
            skipBinary(hasParameter ? parameter : 0);
            return;
        }
        if (consumeFallback())
            return;
        word(name, hasParameter, parameter);
    }

    void word(std::string_view name, bool hasParameter, qint64 parameter)
    {
        Group &current = group();
        const bool marked = std::exchange(m_markedDestination, false);
        if (marked && !(name == "ud" && current.withinUpr)
            && std::find(readMarkedDestinations.begin(), readMarkedDestinations.end(), name)
                == readMarkedDestinations.end()) {
            current.destination = Destination::Skipped;
            return;
        }
        if (name == "pn" && current.destination == Destination::Text) {
            current.destination = Destination::Numbering;
            m_numbering = Numbering{};
            return;
        }
        if (current.destination == Destination::Numbering) {
            numberingWord(name, parameter);
            return;
        }
        if (name == "fonttbl") {
            current.destination = Destination::FontTable;
            return;
        }
        if (std::binary_search(skippedDestinations.begin(), skippedDestinations.end(), name)) {
            current.destination = Destination::Skipped;
            return;
        }
        if (name == "ud" && current.withinUpr) {
            current.destination = Destination::Text;
            return;
        }
        if (current.destination == Destination::FontTable) {
            fontTableWord(name, parameter);
            return;
        }
        if (current.destination == Destination::Skipped)
            return;

        if (name == "u" && hasParameter) {
            unicode(parameter);
            m_fallbackLeft = current.unicodeFallback;
        } else if (name == "uc" && hasParameter) {
            current.unicodeFallback = int(std::clamp<qint64>(parameter, 0, 1 << 16));
        } else if (name == "tab") {
            put(u'\t');
        } else if (name == "f") {
            current.font = int(std::clamp<qint64>(parameter, 0, 1 << 30));
        } else if (name == "plain") {
            current.font = -1; // character formatting back to the default, font included
        } else if (name == "deff") {
            m_defaultFont = int(std::clamp<qint64>(parameter, 0, 1 << 30));
        } else if (name == "pard" && current.destination == Destination::Text) {
            m_numbering.reset(); // paragraph formatting back to the default, numbering included
            m_list = -1;
        } else if (name == "ls" && current.destination == Destination::Text) {
            m_list = int(std::clamp<qint64>(parameter, 0, 1 << 30));
        } else if (name == "pntext" || name == "listtext") {
            current.destination = Destination::ListText;
            m_listText.clear();
        } else if (name == "par" || name == "sect" || name == "page") {
            endParagraph();
            put(u'\n');
        } else if (name == "upr") {
            // "\upr{ansi}{\*\ud{unicode}}" gives the same text twice: the Unicode half is shown.
            current.destination = Destination::Skipped;
            current.withinUpr = true;
        } else if (name == "ansicpg" && parameter > 0) {
            m_documentCodePage = int(std::min<qint64>(parameter, 1 << 20));
        } else if (name == "mac") {
            m_documentCodePage = 10000;
        } else if (name == "pc") {
            m_documentCodePage = 437;
        } else if (name == "pca") {
            m_documentCodePage = 850;
        } else {
            for (const CharacterWord &word : characterWords) {
                if (word.name == name) {
                    put(word.character);
                    break;
                }
            }
        }
    }

    void numberingWord(std::string_view name, qint64 parameter)
    {
        Numbering &numbering = *m_numbering;
        if (name == "pntxtb" || name == "pntxta") {
            group().destination = Destination::NumberingText;
            group().numberBefore = name == "pntxtb";
        } else if (name == "pnstart") {
            numbering.start = std::clamp<qint64>(parameter, 0, qint64(1) << 40);
        } else if (name == "pndec" || name == "pncard" || name == "pnord" || name == "pnordt") {
            numbering.style = NumberStyle::Decimal;
        } else if (name == "pnucltr") {
            numbering.style = NumberStyle::UpperLetter;
        } else if (name == "pnlcltr") {
            numbering.style = NumberStyle::LowerLetter;
        } else if (name == "pnucrm") {
            numbering.style = NumberStyle::UpperRoman;
        } else if (name == "pnlcrm") {
            numbering.style = NumberStyle::LowerRoman;
        } else if (name == "pnlvlblt") {
            numbering.style = NumberStyle::Bullet;
        } else if (name == "pnlvlcont") {
            numbering.style = NumberStyle::None;
        }
    }

    // The paragraph's number, written before its first character when its numbering is
    // known only from "\pn".
    void startParagraph()
    {
        if (m_paragraphStarted)
            return;
        m_paragraphStarted = true;
        if (!m_numbering || m_paragraphNumbered || m_numbering->style == NumberStyle::None)
            return;
        const Numbering &numbering = *m_numbering;
        QString marker = numbering.before;
        if (numbering.style == NumberStyle::Bullet) {
            if (marker.isEmpty() || marker == u"\u00B7"_s)
                marker = u"•"_s;
        } else {
            auto counter = m_counters.find(m_list);
            if (counter == m_counters.end())
                counter = m_counters.insert(m_list, numbering.start);
            marker += numberText(numbering.style, *counter) + numbering.after;
            ++*counter;
        }
        m_out += marker + u'\t';
    }

    // A written-out number stands; a blank one (some editors write only the tab) leaves
    // the numbering to "\pn".
    void finishListText()
    {
        const bool blank = std::all_of(m_listText.cbegin(), m_listText.cend(), [](QChar c) { return c.isSpace(); });
        if (!blank) {
            m_paragraphStarted = true;
            m_paragraphNumbered = true;
            m_out += m_listText;
        }
        m_listText.clear();
    }

    void endParagraph()
    {
        // Without a list to tie them, numbers run on only over consecutive paragraphs.
        if (!m_numbering)
            m_counters.remove(-1);
        m_paragraphStarted = false;
        m_paragraphNumbered = false;
    }

    void fontTableWord(std::string_view name, qint64 parameter)
    {
        const int value = int(std::clamp<qint64>(parameter, -1, 1 << 30));
        if (name == "f")
            m_tableFont = value;
        else if (name == "fcharset" && codePageForCharset(value) != 0)
            m_fontCodePages.insert(m_tableFont, codePageForCharset(value));
        else if (name == "cpg" && value > 0)
            m_fontCodePages.insert(m_tableFont, value);
    }

    void skipBinary(qint64 count)
    {
        if (count > 0)
            m_at += std::min<qint64>(count, m_end - m_at);
    }

    void unicode(qint64 value)
    {
        if (value < 0)
            value += 0x10000;
        if (value < 0 || value > 0xFFFF) {
            put(QChar::ReplacementCharacter);
            return;
        }
        const char16_t unit = char16_t(value);
        if (QChar::isHighSurrogate(unit)) {
            resolveSurrogate();
            m_highSurrogate = unit;
        } else if (QChar::isLowSurrogate(unit)) {
            if (m_highSurrogate) {
                put(std::exchange(m_highSurrogate, char16_t(0)));
                put(unit);
            } else {
                put(QChar::ReplacementCharacter);
            }
        } else {
            put(unit);
        }
    }

    // A high surrogate not followed by its low half is not a character.
    void resolveSurrogate()
    {
        if (m_highSurrogate) {
            m_out += QChar(QChar::ReplacementCharacter);
            m_highSurrogate = 0;
        }
    }

    void put(char16_t unit)
    {
        if (group().destination == Destination::NumberingText) {
            numberingText() += QChar(unit);
            return;
        }
        if (group().destination == Destination::ListText) {
            m_listText += QChar(unit);
            return;
        }
        if (group().destination != Destination::Text)
            return;
        resolveSurrogate();
        if (unit != u'\n')
            startParagraph();
        m_out += QChar(unit);
    }

    QString &numberingText()
    {
        if (!m_numbering)
            return m_discarded;
        return group().numberBefore ? m_numbering->before : m_numbering->after;
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        resolveSurrogate();
        // Fonts are resolved here, not at "\f": text that never names a font is in the
        // default font ("\deff"), whose table entry may come after the header.
        const int font = group().font >= 0 ? group().font : m_defaultFont;
        const int codePage = m_fontCodePages.value(font, m_documentCodePage);
        if (group().destination == Destination::NumberingText) {
            m_decoder.decode(codePage, m_bytes, numberingText());
        } else if (group().destination == Destination::ListText) {
            m_decoder.decode(codePage, m_bytes, m_listText);
        } else {
            startParagraph();
            m_decoder.decode(codePage, m_bytes, m_out);
        }
        m_bytes.clear();
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c)
    {
        if (isDigit(c))
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    const char *m_at;
    const char *m_end;
    std::vector<Group> m_groups;
    QString m_out;
    QByteArray m_bytes; // text bytes waiting for their code page
    CodePageDecoder m_decoder;
    QHash<int, int> m_fontCodePages;
    int m_tableFont = -1;
    int m_defaultFont = 0;
    int m_documentCodePage = 1252;
    int m_fallbackLeft = 0;
    char16_t m_highSurrogate = 0;
    bool m_markedDestination = false;     // the next word came after "\*"
    std::optional<Numbering> m_numbering; // the current paragraphs' "\pn"
    int m_list = -1;                      // the current paragraphs' "\ls", -1 for none
    QHash<int, qint64> m_counters;        // the next number of each list
    bool m_paragraphStarted = false;
    bool m_paragraphNumbered = false; // "\pntext" or "\listtext" wrote its number already
    QString m_listText;
    QString m_discarded;
};

} // namespace

QString RtfReader::read(const QByteArray &rtf) { return Parser(rtf).run(); }

} // namespace telvora

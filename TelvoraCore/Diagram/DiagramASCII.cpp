#include "TelvoraCore/Diagram/DiagramASCII.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QStringList>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace telvora::DiagramASCII {

namespace {

// "\s" is spelled out as the Unicode White_Space set: without it, the regular
// expression engine would match only ASCII white space.
const QRegularExpression &blockPattern()
{
    static const QRegularExpression pattern(u"```mermaid[\\x{09}-\\x{0D}\\x{85}\\p{Z}]*\\n([\\s\\S]*?)```"_s);
    return pattern;
}

const QRegularExpression &nodePattern()
{
    static const QRegularExpression pattern(u"^([A-Za-z][A-Za-z0-9_]*)(?:\\[([^\\]]+)\\])?$"_s);
    return pattern;
}

// Line ends as Unicode counts them: LF, VT, FF, CR (CR LF therefore splits twice and
// leaves an empty line, which is skipped like any other), NEL, LS and PS.
bool isLineEnd(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QList<QStringView> lines(QStringView source)
{
    QList<QStringView> result;
    qsizetype begin = 0;
    for (qsizetype i = 0; i < source.size(); ++i) {
        if (isLineEnd(source[i])) {
            result.append(source.sliced(begin, i - begin));
            begin = i + 1;
        }
    }
    result.append(source.sliced(begin));
    return result;
}

QStringView trimmedOf(QStringView text, auto &&drop)
{
    while (!text.isEmpty() && drop(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && drop(text.back()))
        text = text.chopped(1);
    return text;
}

// Spaces are the Unicode space separators, plus the tab.
bool isSpaceOrTab(QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; }

bool isHeaderOrComment(QStringView line)
{
    return line.startsWith(u"%%") || line.startsWith(u"flowchart ") || line.startsWith(u"graph ");
}

struct Diagram
{
    QHash<QString, QString> labels;
    QList<std::pair<QString, QString>> edges;

    // Reads one edge line; false when it is outside the understood subset.
    bool read(QStringView line)
    {
        const QList<QStringView> parts = line.split(u"-->");
        if (parts.size() < 2)
            return false;
        QStringList ids;
        for (const QStringView part : parts) {
            const auto match = nodePattern().match(trimmedOf(part, isSpaceOrTab));
            if (!match.hasMatch())
                return false;
            ids.append(match.captured(1));
            if (match.hasCaptured(2))
                labels.insert(ids.back(), match.captured(2).remove(u'"'));
        }
        for (qsizetype k = 0; k + 1 < ids.size(); ++k)
            edges.append({ids[k], ids[k + 1]});
        return true;
    }

    QString name(const QString &id) const { return labels.value(id, id); }

    QString drawing() const
    {
        QStringList blocks;
        blocks.reserve(edges.size());
        for (const auto &[from, to] : edges)
            blocks.append(u'[' + name(from) + u"]\n        |\n        v\n["_s + name(to) + u']');
        return blocks.join(u"\n\n"_s);
    }
};

} // namespace

std::optional<QString> flowchart(const QString &source)
{
    Diagram diagram;
    for (const QStringView raw : lines(source)) {
        const QStringView line =
            trimmedOf(trimmedOf(raw, [](QChar c) { return c.isSpace(); }), [](QChar c) { return c == u';'; });
        if (line.isEmpty() || isHeaderOrComment(line))
            continue;
        if (!diagram.read(line))
            return std::nullopt;
    }
    if (diagram.edges.isEmpty())
        return std::nullopt;
    return diagram.drawing();
}

QString convertBlocks(const QString &text)
{
    // One forward pass: matches never overlap, so copying the text between them and each
    // block or its replacement gives the same document as replacing from the last block.
    QString result;
    result.reserve(text.size());
    qsizetype copied = 0;
    for (auto it = blockPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const std::optional<QString> drawing = flowchart(match.captured(1));
        if (!drawing)
            continue;
        result.append(QStringView(text).sliced(copied, match.capturedStart() - copied));
        result.append(u"```text\n"_s + *drawing + u"\n```"_s);
        copied = match.capturedEnd();
    }
    result.append(QStringView(text).sliced(copied));
    return result;
}

} // namespace telvora::DiagramASCII

#include "TelvoraCore/Diagram/DiagramASCII.h"

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

QString box(const QString &from, const QString &to)
{
    return u'[' + from + u"]\n        |\n        v\n["_s + to + u']';
}

} // namespace

TEST(DiagramFlowchart, DrawsEveryEdgeAsABoxArrowBox)
{
    struct Case
    {
        const char *name;
        QString source;
        QString expected;
    };
    const Case cases[] = {
        {"header and one labelled edge", u"flowchart TD\nA[Início] --> B[Fim]"_s,
         u"[Início]\n        |\n        v\n[Fim]"_s},
        {"chain draws the shared node twice", u"A --> B --> C"_s,
         box(u"A"_s, u"B"_s) + u"\n\n"_s + box(u"B"_s, u"C"_s)},
        {"quotes are removed from labels", u"A[\"Olá, mundo\"] --> B"_s, box(u"Olá, mundo"_s, u"B"_s)},
        {"a later label is used by earlier edges", u"A --> B\nB[Meio] --> C\nC[Um] --> D\nC[Dois] --> A"_s,
         box(u"A"_s, u"Meio"_s) + u"\n\n"_s + box(u"Meio"_s, u"Dois"_s) + u"\n\n"_s + box(u"Dois"_s, u"D"_s) + u"\n\n"_s
             + box(u"Dois"_s, u"A"_s)},
        {"semicolons, comments, graph header, blank lines", u"graph LR\n%% comentário\n\n  A-->B;;  \n"_s,
         box(u"A"_s, u"B"_s)},
        {"spaces and tabs around nodes", u"A \t-->\u00a0B"_s, box(u"A"_s, u"B"_s)},
        {"CR LF, NEL and line separator end lines", u"graph TD\r\nA --> B\u0085B --> C\u2028C --> D"_s,
         box(u"A"_s, u"B"_s) + u"\n\n"_s + box(u"B"_s, u"C"_s) + u"\n\n"_s + box(u"C"_s, u"D"_s)},
        {"identifiers with digits and underscores", u"n1_a --> N2"_s, box(u"n1_a"_s, u"N2"_s)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DiagramASCII::flowchart(c.source), std::optional<QString>(c.expected));
    }
}

TEST(DiagramFlowchart, AnythingOutsideTheSubsetGivesNoDrawing)
{
    struct Case
    {
        const char *name;
        QString source;
    };
    const Case cases[] = {
        {"empty", u""_s},
        {"only header and comments", u"flowchart TD\n%% nada\n"_s},
        {"bare header word", u"flowchart\nA --> B"_s},
        {"lone node declaration", u"A[Início]\nA --> B"_s},
        {"subgraph", u"subgraph X\nA --> B\nend"_s},
        {"edge label", u"A -->|sim| B"_s},
        {"open link", u"A --- B"_s},
        {"thick link", u"A ==> B"_s},
        {"dotted link", u"A -.-> B"_s},
        {"round node", u"A(Texto) --> B"_s},
        {"decision node", u"A{Pergunta} --> B"_s},
        {"dangling arrow", u"A -->"_s},
        {"empty label", u"A[] --> B"_s},
        {"identifier starting with a digit", u"1A --> B"_s},
        {"style line", u"A --> B\nstyle A fill:#f9f"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DiagramASCII::flowchart(c.source), std::nullopt);
    }
}

TEST(DiagramConvertBlocks, ReplacesOnlyUnderstoodBlocksAndKeepsTheRest)
{
    const QString unconvertible = u"```mermaid\nsequenceDiagram\nA->>B: oi\n```"_s;
    const QString document = u"# Título\n\n"_s + unconvertible + u"\n\nMeio.\n\n```mermaid  \nA --> B\n```depois"_s;
    EXPECT_EQ(DiagramASCII::convertBlocks(document),
              u"# Título\n\n"_s + unconvertible + u"\n\nMeio.\n\n```text\n"_s + box(u"A"_s, u"B"_s) + u"\n```depois"_s);
}

TEST(DiagramConvertBlocks, LeavesNonBlocksUntouched)
{
    struct Case
    {
        const char *name;
        QString text;
    };
    const Case cases[] = {
        {"no closing fence", u"Antes\n```mermaid\nA --> B\n"_s},
        {"capitalised language", u"```Mermaid\nA --> B\n```"_s},
        {"no line end after the language", u"```mermaid A --> B ```"_s},
        {"other language", u"```python\nA --> B\n```"_s},
        {"plain text", u"Nada para converter."_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DiagramASCII::convertBlocks(c.text), c.text);
    }
}

TEST(DiagramConvertBlocks, FenceLineMayEndInUnicodeWhiteSpace)
{
    // White space before the line end follows Unicode: a no-break space and a vertical
    // tab are white space; a zero-width space is not.
    const QString converted = u"```text\n"_s + box(u"A"_s, u"B"_s) + u"\n```"_s;
    EXPECT_EQ(DiagramASCII::convertBlocks(u"```mermaid\u00a0\nA --> B\n```"_s), converted);
    EXPECT_EQ(DiagramASCII::convertBlocks(u"```mermaid\u000b\nA --> B\n```"_s), converted);
    const QString zeroWidth = u"```mermaid\u200b\nA --> B\n```"_s;
    EXPECT_EQ(DiagramASCII::convertBlocks(zeroWidth), zeroWidth);
}

TEST(DiagramConvertBlocks, BodyEndsAtTheFirstClosingFence)
{
    // The lazy body stops at the first fence, so the next block is matched on its own.
    const QString text = u"```mermaid\nA --> B\n```\n```mermaid\nC --> D\n```"_s;
    EXPECT_EQ(DiagramASCII::convertBlocks(text),
              u"```text\n"_s + box(u"A"_s, u"B"_s) + u"\n```\n```text\n"_s + box(u"C"_s, u"D"_s) + u"\n```"_s);
}

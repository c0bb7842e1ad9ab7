#include "Telvora/Document/StyledDocument.h"
#include "Telvora/Session/ExampleDocument.h"

#include <QFontDatabase>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

enum class Role { body, title, heading };

void expectRole(const StyledText &styled, qsizetype position, Role role)
{
    const QFont font = styled.fontAt(position);
    EXPECT_EQ(font.family(), u"Georgia"_s);
    EXPECT_EQ(font.pointSizeF(), role == Role::title ? 32 : role == Role::heading ? 24 : 18);
    EXPECT_EQ(font.bold(), role != Role::body);
}

const ParagraphStyle base{4, 0, 0, 0};
const ParagraphStyle blank{0, 0, 12, 12};

} // namespace

TEST(StyledDocumentPlain, CleansEachLine)
{
    const std::vector<std::pair<QString, QString>> lines{
        {u"## Introdução"_s, u"Introdução"_s},
        {u"**Ideia** central"_s, u"Ideia central"_s},
        {u"- primeiro"_s, u"• primeiro"_s},
        {u"* segundo"_s, u"• segundo"_s},
        {u"### Título"_s, u"Título"_s},
        {u"####### x"_s, u"####### x"_s},
        {u"*ênfase*"_s, u"*ênfase*"_s},
        {u"-x"_s, u"-x"_s},
        {u"#\t \u00A0Título"_s, u"Título"_s},
        {u"#Título"_s, u"#Título"_s},
        {u"* **negrito**"_s, u"• negrito"_s},
        {u" - recuado"_s, u" - recuado"_s},
        {u"***"_s, u"*"_s},
        {QString(), QString()},
    };
    for (const auto &[before, after] : lines) {
        SCOPED_TRACE(before.toStdString());
        EXPECT_EQ(StyledDocument::plain(before), after);
    }
}

TEST(StyledDocumentPlain, SplitsAtEveryNewlineCharacter)
{
    EXPECT_EQ(StyledDocument::plain(u"# A\r\n- b\r\n"_s), u"A\n\n• b\n\n"_s);
    EXPECT_EQ(StyledDocument::plain(u"# A\u2028## B\u2029- c\u0085d\u000Be\u000Cf"_s), u"A\nB\n• c\nd\ne\nf"_s);
    EXPECT_EQ(StyledDocument::plain(u"\n"_s), u"\n"_s);
}

TEST(StyledDocumentAttributed, StylesTheExampleDocument)
{
    const QString text = ExampleDocument::outputText();
    const StyledText styled = StyledDocument::attributed(text, false);
    ASSERT_EQ(styled.text(), text);

    const std::vector<std::pair<QString, Role>> lines{
        {u"O espaço das ideias"_s, Role::title}, {u"Introdução"_s, Role::heading},
        {u"Pontos principais"_s, Role::heading}, {u"Conclusão"_s, Role::heading},
        {u"1. Curiosidade"_s, Role::body},       {u"2. Diálogo"_s, Role::body},
        {u"3. Prática"_s, Role::body},           {u"Ana traz"_s, Role::body},
    };
    for (const auto &[start, role] : lines) {
        SCOPED_TRACE(start.toStdString());
        const qsizetype at = text.indexOf(start);
        ASSERT_GE(at, 0);
        expectRole(styled, at, role);
        expectRole(styled, text.indexOf(u'\n', at) - 1, role);
    }
    EXPECT_EQ(styled.fontRuns().size(), 5);

    // Every blank line is 12 points high, line break included; the rest keeps 4 points of leading.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool blankLineBreak = text[i] == u'\n' && i > 0 && text[i - 1] == u'\n';
        ASSERT_EQ(styled.paragraphAt(i), blankLineBreak ? blank : base) << "position " << i;
        ASSERT_EQ(styled.colourAt(i), QColor::fromRgbF(0.12f, 0.12f, 0.12f, 1));
    }
}

TEST(StyledDocumentAttributed, RecognisesHeadingsByTheirWholeLine)
{
    const std::vector<std::pair<QString, bool>> lines{
        {u"Resumo"_s, true},    {u" \tPontos-chave\t "_s, true}, {u"# Tema"_s, true},           {u"## Tema"_s, true},
        {u"### Tema"_s, false}, {u" # Tema"_s, false},           {u"#Tema"_s, false},           {u"resumo"_s, false},
        {u"Resumo:"_s, false},  {u"Resumo\r"_s, false},          {u"Conclusão final"_s, false},
    };
    for (const auto &[line, heading] : lines) {
        SCOPED_TRACE(line.toStdString());
        const QString text = u"Título\n"_s + line + u"\nfim"_s;
        const StyledText styled = StyledDocument::attributed(text, false);
        expectRole(styled, 7, heading ? Role::heading : Role::body);
        expectRole(styled, 7 + line.size() - 1, heading ? Role::heading : Role::body);
        expectRole(styled, text.size() - 1, Role::body);
    }
}

TEST(StyledDocumentAttributed, OnlyANonBlankFirstLineIsTheTitle)
{
    const StyledText spaces = StyledDocument::attributed(u"   \nSegunda\nResumo"_s, false);
    expectRole(spaces, 0, Role::body);
    expectRole(spaces, 4, Role::body);
    expectRole(spaces, 12, Role::heading);
    EXPECT_EQ(spaces.paragraphAt(0), blank);
    EXPECT_EQ(spaces.paragraphAt(3), blank);
    EXPECT_EQ(spaces.paragraphAt(4), base);

    // Ranges are UTF-16 units: the emoji counts two.
    const StyledText emoji = StyledDocument::attributed(u"😀 Olá\nx"_s, false);
    ASSERT_EQ(emoji.fontRuns().size(), 2);
    EXPECT_EQ(emoji.fontRuns()[1].offset, 0);
    EXPECT_EQ(emoji.fontRuns()[1].length, 6);
}

TEST(StyledDocumentAttributed, BlankLineRangeStopsAtTheEndOfText)
{
    const StyledText trailing = StyledDocument::attributed(u"a\n"_s, false);
    EXPECT_EQ(trailing.paragraphRuns().size(), 1) << "the remainder after the final line break is not a blank line";

    const StyledText spaces = StyledDocument::attributed(u"a\n  "_s, false);
    ASSERT_EQ(spaces.paragraphRuns().size(), 2);
    EXPECT_EQ(spaces.paragraphRuns()[1].offset, 2);
    EXPECT_EQ(spaces.paragraphRuns()[1].length, 2);

    const StyledText middle = StyledDocument::attributed(u"a\n\t\nb"_s, false);
    ASSERT_EQ(middle.paragraphRuns().size(), 2);
    EXPECT_EQ(middle.paragraphRuns()[1].offset, 2);
    EXPECT_EQ(middle.paragraphRuns()[1].length, 2);
}

TEST(StyledDocumentAttributed, CodeModeIsPlainMonospace)
{
    const QString text = u"# Título\n\nResumo\n## Seção\n"_s;
    const StyledText styled = StyledDocument::attributed(text, true);
    ASSERT_EQ(styled.fontRuns().size(), 1);
    ASSERT_EQ(styled.paragraphRuns().size(), 1);
    const QFont font = styled.fontAt(0);
    EXPECT_EQ(font.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    EXPECT_EQ(font.pointSizeF(), 15);
    EXPECT_FALSE(font.bold());
    EXPECT_EQ(styled.fontAt(text.size() - 1), font);
    EXPECT_EQ(styled.paragraphAt(9), base);
}

TEST(StyledText, LaterRunsReplaceOnlyTheirRange)
{
    StyledText styled(u"0123456789"_s);
    QFont a(u"A"_s), b(u"B"_s), c(u"C"_s);
    styled.addFont(0, 10, a);
    styled.addFont(2, 3, b);
    styled.addFont(4, 4, c);
    styled.addColour(0, 10, Qt::red);
    styled.addColour(5, 5, Qt::blue);
    const QList<StyledSegment> segments = styled.segments();
    const std::vector<std::tuple<qsizetype, qsizetype, QString, QColor>> expected{{0, 2, u"A"_s, Qt::red},
                                                                                  {2, 2, u"B"_s, Qt::red},
                                                                                  {4, 1, u"C"_s, Qt::red},
                                                                                  {5, 3, u"C"_s, Qt::blue},
                                                                                  {8, 2, u"A"_s, Qt::blue}};
    ASSERT_EQ(segments.size(), qsizetype(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(segments[i].offset, std::get<0>(expected[i]));
        EXPECT_EQ(segments[i].length, std::get<1>(expected[i]));
        EXPECT_EQ(segments[i].font.family(), std::get<2>(expected[i]));
        EXPECT_EQ(segments[i].colour, std::get<3>(expected[i]));
    }
}

TEST(StyledText, DocumentKeepsPositionsAndFormats)
{
    const QString text = u"Título 😀\n\nResumo\r\ncorpo\n"_s;
    const std::unique_ptr<QTextDocument> document = StyledDocument::attributed(text, false).toDocument();
    ASSERT_EQ(document->characterCount(), text.size() + 1);

    QTextCursor cursor(document.get());
    const auto charAt = [&](qsizetype position) {
        cursor.setPosition(int(position + 1));
        return cursor.charFormat();
    };
    EXPECT_EQ(charAt(0).font().pointSizeF(), 32);
    EXPECT_TRUE(charAt(0).font().bold());
    EXPECT_EQ(charAt(text.indexOf(u"corpo")).font().pointSizeF(), 18);
    EXPECT_EQ(charAt(0).foreground().color(), QColor::fromRgbF(0.12f, 0.12f, 0.12f, 1));

    const QTextBlock blankLine = document->findBlock(int(text.indexOf(u"\n\n") + 1));
    EXPECT_EQ(blankLine.blockFormat().lineHeightType(), int(QTextBlockFormat::FixedHeight));
    EXPECT_EQ(blankLine.blockFormat().lineHeight(), 12);
    const QTextBlock body = document->findBlock(int(text.indexOf(u"corpo")));
    EXPECT_EQ(body.blockFormat().lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));
    EXPECT_EQ(body.blockFormat().lineHeight(), 4);
}

TEST(StyledDocumentHeadings, AreTheLinesTheStylingSetsApart)
{
    const QString text = ExampleDocument::outputText();
    QList<StyledDocument::HeadingLine> expected;
    bool title = true;
    for (const QString &line : {u"O espaço das ideias"_s, u"Introdução"_s, u"Pontos principais"_s, u"Conclusão"_s}) {
        expected.append({text.indexOf(line + u'\n'), line.size(), std::exchange(title, false)});
        ASSERT_GE(expected.last().offset, 0);
    }
    EXPECT_EQ(StyledDocument::headings(text), expected);

    struct Case
    {
        const char *name;
        QString text;
        QList<StyledDocument::HeadingLine> headings;
    };
    const Case cases[] = {
        {"marked headings keep their marks", u"# Título\n\n## Parte\ntexto"_s, {{0, 8, true}, {10, 8, false}}},
        {"a blank first line is no title", u"  \nResumo\ntexto"_s, {{3, 6, false}}},
        {"deeper marks are body text", u"T\n### Tema\n#Tema"_s, {{0, 1, true}}},
        {"empty text", QString(), {}},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(StyledDocument::headings(row.text), row.headings);
    }
}

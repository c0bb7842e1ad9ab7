#include "Telvora/Document/RtfReader.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray fixture(const char *name)
{
    QFile file(QStringLiteral(TELVORA_DOCUMENT_FIXTURES "/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "missing fixture " << name;
    return file.readAll();
}

struct Case
{
    const char *name;
    QByteArray rtf;
    QString text;
};

void expectCases(const std::vector<Case> &cases)
{
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        try {
            EXPECT_EQ(RtfReader::read(row.rtf), row.text);
        } catch (const Error &error) {
            ADD_FAILURE() << "threw: " << error.what();
        }
    }
}

} // namespace

TEST(RtfReader, ReadsDocumentsAsCommonEditorsWriteThem)
{
    expectCases({
        {"WordPad: Windows-1252 bytes, CRLF source lines", fixture("wordpad.rtf"),
         u"Oração e coração\nPreço: 10€ – “ok”\n"_s},
        {"LibreOffice: \\uN with a \\'3f fallback, font table with nested groups", fixture("libreoffice.rtf"),
         u"Coração — olá\nПривет\n"_s},
        {"TextEdit: \\uc0 escapes, backslash-newline paragraphs, emoji", fixture("textedit.rtf"),
         u"Olá, mundo — café\nSegunda linha\tcom tab\nEmoji: 😀 fim\n“aspas”"_s},
        {"Word: generator, info, header, footer, field, pictures with binary data", fixture("word.rtf"),
         u"Relatório anual\nVeja o site.\nSão Paulo – Fim\n"_s},
        {"AbiWord: link text in a marked field result, lists numbered only by \\pn", fixture("abiword.rtf"),
         u"Lista do mês\n1.\tCafé\n2.\tPão\n3.\tAção\nVeja o site da cooperativa hoje.\n\n\n\n"_s},
    });
}

TEST(RtfReader, ReadsTheMarkedDestinationsItKnowsAndSkipsTheOthers)
{
    expectCases({
        {"a marked field result is the link's text",
         R"({\rtf1 Veja {\field{\*\fldinst HYPERLINK "https://example.org"}{\*\fldrslt o site}} hoje.})",
         u"Veja o site hoje."_s},
        {"an unknown marked destination is skipped", R"({\rtf1 a{\*\telvoraunknown b{c}}d})", u"ad"_s},
        {"a marked destination skipped by name stays skipped", R"({\rtf1 a{\*\fldinst b}c})", u"ac"_s},
        {"the mark covers only the word right after it", R"({\rtf1 a{\*\fldrslt b}{\c}d})", u"abd"_s},
    });
}

TEST(RtfReader, NumbersParagraphsFromTheOldNumberingWords)
{
    expectCases({
        {"decimal with the text after the number",
         R"({\rtf1\pard{\*\pn\pnlvlbody\pndec\pnstart1{\pntxta .}}Um\par Dois\par\pard Fim})",
         u"1.\tUm\n2.\tDois\nFim"_s},
        {"letters with text on both sides", R"({\rtf1\pard{\*\pn\pnlvlbody\pnlcltr{\pntxtb (}{\pntxta )}}Um\par Dois})",
         u"(a)\tUm\n(b)\tDois"_s},
        {"roman numerals from a given start", R"({\rtf1\pard{\*\pn\pnlvlbody\pnucrm\pnstart4{\pntxta .}}Um\par Dois})",
         u"IV.\tUm\nV.\tDois"_s},
        {"bullets", R"({\rtf1\pard{\*\pn\pnlvlblt{\pntxtb \'b7}}Item\par Outro})", u"•\tItem\n•\tOutro"_s},
        {"a written-out number is kept, not doubled",
         R"({\rtf1\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec{\pntxta .}}Um\par})", u"1.\tUm\n"_s},
        {"an unnumbered paragraph restarts a list without an id",
         R"({\rtf1\pard{\*\pn\pnlvlbody\pndec{\pntxta .}}A\par\pard B\par\pard{\*\pn\pnlvlbody\pndec{\pntxta .}}C})",
         u"1.\tA\nB\n1.\tC"_s},
        {"a list with an id runs on across other paragraphs",
         R"({\rtf1\pard\ls1{\*\pn\pnlvlbody\pndec{\pntxta .}}A\par\pard B\par\pard\ls1{\*\pn\pnlvlbody\pndec{\pntxta .}}C})",
         u"1.\tA\nB\n2.\tC"_s},
        {"a continuation paragraph has no number", R"({\rtf1\pard{\*\pn\pnlvlcont}Texto})", u"Texto"_s},
    });
}

TEST(RtfReader, HandlesGroupsEscapesAndCodePages)
{
    expectCases({
        {"nested groups keep their text in order", R"({\rtf1 a{b{c{\b d}}e}f})", u"abcdef"_s},
        {"\\uc2 skips two fallback characters", R"({\rtf1\uc2 \u8364 XYz})", u"€z"_s},
        {"a hex escape counts as one fallback character", R"({\rtf1\uc2 \u8364\'80\'80z})", u"€z"_s},
        {"\\ucN belongs to its group", R"({\rtf1{\uc3 \u233 abc}\u233 ?d})", u"ééd"_s},
        {"a group boundary ends the fallback", R"({\rtf1\uc2\u233{x}y})", u"éxy"_s},
        {"negative values make a surrogate pair", R"({\rtf1\u-10179?\u-8704?})", u"😀"_s},
        {"an unpaired high surrogate is replaced", R"({\rtf1\u-10179?x})", u"\uFFFDx"_s},
        {"an unpaired low surrogate is replaced", R"({\rtf1 a\u-8704?})", u"a\uFFFD"_s},
        {"out-of-range \\u is replaced", R"({\rtf1\u99999999999999999999?})", u"\uFFFD"_s},
        {"Windows-1252 by default", R"({\rtf1 \'80\'e7\'9c})", u"€çœ"_s},
        {"the document's code page", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})", u"При"_s},
        {"a font's character set", R"({\rtf1{\fonttbl{\f1\fcharset204 Arial Cyr;}}{\f1 \'cf}\'cf})", u"ПÏ"_s},
        {"double-byte code page across escapes", R"({\rtf1\ansi\ansicpg932 \'82\'a0})", u"あ"_s},
        {"text naming no font is in the default font, and \\plain returns to it",
         R"({\rtf1\ansi\deff1{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}}\'cf{\f0 \'cf}\plain \'cf})", u"ПÏП"_s},
        {"\\upr shows its Unicode half", R"({\rtf1 a{\upr{\'3f}{\*\ud{\u1055 ?}}}b})", u"aПb"_s},
        {"\\ud outside \\upr stays hidden", R"({\rtf1 a{\*\ud x}b})", u"ab"_s},
        {"zero-width and direction marks", R"({\rtf1 a\zwj b\zwnj c\zwbo d\zwnbo e\ltrmark f\rtlmark})",
         u"a\u200Db\u200Cc\u200Bd\uFEFFe\u200Ef\u200F"_s},
        {"control symbols", R"({\rtf1 a\\b\{c\}d\~e\-f\_g})", u"a\\b{c}d\u00A0ef\u2011g"_s},
        {"paragraph, line, tab and typographic words", R"({\rtf1 a\par b\line c\tab d\emdash\lquote x\rquote})",
         u"a\nb\nc\td—‘x’"_s},
        {"backslash before a line break is a paragraph", "{\\rtf1 a\\\nb}", u"a\nb"_s},
        {"raw line breaks are not text", "{\\rtf1 a\r\nb\n}", u"ab"_s},
        {"unknown destinations after \\* are skipped", R"({\rtf1{\*\unknown x{y}}a})", u"a"_s},
        {"destinations that are not text",
         R"({\rtf1{\stylesheet{\s0 N;}}{\objdata 01}{\object{\result r}}{\footnote n}{\headerl h}a})", u"a"_s},
        {"\\bin data may hold braces", R"({\rtf1{\pict\bin3 }{x}b})", u"b"_s},
        {"field instruction hidden, result shown", R"({\rtf1{\field{\*\fldinst HYPERLINK "u"}{\fldrslt link}}})",
         u"link"_s},
        {"unknown control words are ignored", R"({\rtf1\foo12\bar-3 text})", u"text"_s},
        {"byte-order mark and whitespace before, blank after", "\xEF\xBB\xBF\n{\\rtf1 a}\r\n\0"_ba, u"a"_s},
        {"empty document", R"({\rtf1})", QString()},
    });
}

TEST(RtfReader, RefusesInvalidDocumentsWithADescription)
{
    struct Bad
    {
        const char *name;
        QByteArray rtf;
        QString message;
    };
    const QString notRtf = u"O arquivo não é um documento RTF: ele não começa com “{\\rtf”."_s;
    const std::vector<Bad> cases{
        {"empty file", QByteArray(), notRtf},
        {"plain text", "Olá, mundo", notRtf},
        {"header cut short", "{\\rt", notRtf},
        {"text before the header", "x{\\rtf1 a}", notRtf},
        {"document never closed", "{\\rtf1 a", u"Documento RTF inválido: o arquivo termina com 1 grupo(s) sem “}”."_s},
        {"inner group never closed", "{\\rtf1 {a{b}",
         u"Documento RTF inválido: o arquivo termina com 2 grupo(s) sem “}”."_s},
        {"one closing brace too many", "{\\rtf1 a}}", u"Documento RTF inválido: há um “}” sem grupo aberto."_s},
    };
    for (const Bad &row : cases) {
        SCOPED_TRACE(row.name);
        try {
            const QString text = RtfReader::read(row.rtf);
            ADD_FAILURE() << "read as " << text.toStdString();
        } catch (const RtfError &error) {
            EXPECT_EQ(error.message(), row.message);
        }
    }
}

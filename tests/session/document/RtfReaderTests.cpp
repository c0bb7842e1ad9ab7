#include "Telvora/Session/Document/RtfReader.h"

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

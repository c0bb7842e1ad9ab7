#include "Telvora/Document/RtfReader.h"
#include "Telvora/Document/RtfWriter.h"
#include "Telvora/Document/StyledDocument.h"
#include "Telvora/Session/ExampleDocument.h"

#include <gtest/gtest.h>

#include <random>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {} // namespace

TEST(RtfWriter, WritesTheReadingTypography)
{
    const QString text = u"Título\n\nIntrodução\nCorpo do texto"_s;
    const QByteArray rtf = RtfWriter::write(text);
    const StyledText styled = StyledDocument::attributed(text, false);
    const QFont body = styled.fontAt(text.size() - 1);

    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    EXPECT_TRUE(rtf.endsWith("}\n"));
    // The document's serif by its own name, marked as a serif for readers without it.
    EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0\\froman\\fcharset0 Georgia;}}"));
    EXPECT_TRUE(rtf.contains("{\\colortbl;\\red31\\green31\\blue31;}"));
    // Title 32 pt bold, heading 24 pt bold, body 18 pt regular, all in the grey.
    EXPECT_TRUE(rtf.contains("\\f0\\fs64\\b\\i0\\cf1 T\\u237?tulo\\par"));
    EXPECT_TRUE(rtf.contains("\\fs48\\b\\i0\\cf1 Introdu\\u231?\\u227?o\\par"));
    EXPECT_TRUE(rtf.contains("\\fs36\\b0\\i0\\cf1 Corpo do texto}"));
    EXPECT_FALSE(body.bold());
    // Lines keep 4 pt of leading; the blank line is exactly 12 pt high.
    EXPECT_EQ(rtf.count("\\pard\\slleading80\\sa0 "), 3);
    EXPECT_EQ(rtf.count("\\pard\\sl-240\\slmult0\\sa0 "), 1);
    for (char byte : rtf)
        ASSERT_LT(uchar(byte), 0x80) << "the file must stay 7-bit";
}

TEST(RtfWriter, WhatItWritesReadsBackToTheSameText)
{
    const std::vector<std::pair<const char *, QString>> cases{
        {"example document", ExampleDocument::outputText()},
        {"empty", QString()},
        {"RTF's own characters", u"a\\b{c}d\\par e"_s},
        {"tabs, carriage returns and controls", u"a\tb\r\nc\u0001d\u007F"_s},
        {"leading, doubled and trailing line breaks", u"\n\nTítulo\n\n\nfim\n"_s},
        {"characters beyond the basic plane", u"😀 e 𝄞"_s},
        {"separators other than line feed", u"a\u2028b\u2029c\u0085d"_s},
        {"Markdown marks stay", u"# Título\n**negrito** e - item"_s},
    };
    for (const auto &[name, text] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(RtfReader::read(RtfWriter::write(text)), text);
    }
}

TEST(RtfWriter, RandomTextsSurviveTheRoundTrip)
{
    std::mt19937 random(20240305);
    std::uniform_int_distribution<int> length(0, 80);
    std::uniform_int_distribution<int> pick(0, 9);
    std::uniform_int_distribution<char32_t> bmp(1, 0xFFFD);
    std::uniform_int_distribution<char32_t> astral(0x10000, 0x10FFFF);
    for (int round = 0; round < 300; ++round) {
        QString text;
        for (int i = length(random); i > 0; --i) {
            const int kind = pick(random);
            char32_t point = kind < 3 ? U"\n\t\\{} #*-"[pick(random)] : kind < 8 ? bmp(random) : astral(random);
            if (point >= 0xD800 && point <= 0xDFFF)
                point = u'x';
            text += QString::fromUcs4(&point, 1);
        }
        SCOPED_TRACE(text.toStdString());
        ASSERT_EQ(RtfReader::read(RtfWriter::write(text)), text);
    }
}

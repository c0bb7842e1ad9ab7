#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Console/ConsoleLayout.h"
#include "Telvora/Interface/Console/ConsoleStyle.h"
#include "Telvora/Interface/Console/StatusDisplay.h"
#include "TelvoraCore/Support/ResourceBundle.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

namespace telvora {
namespace {

using namespace Qt::Literals::StringLiterals;
namespace Layout = ConsoleLayout;
namespace Style = ConsoleStyle;

class StatusDisplayTests : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(ConsoleFonts::registerAll(AppResources::bundle()), 3); }
};

// Long statuses the display meets: every one is set in whole words on at most two lines
// that fit the display's width; those that can be shown whole lose nothing.
TEST_F(StatusDisplayTests, longStatusesFitInWholeWords)
{
    struct Case
    {
        const char *name;
        QString status;
        bool whole;
    };
    const Case cases[] = {
        {"one word wider than the display at full size", u"TRANSCRITO"_s, true},
        {"two long words", u"PREPARANDO NARRAÇÃO…"_s, true},
        {"four words, the last one a name", u"CONFIGURE A CHAVE OPENAI"_s, true},
        {"a part count with reused parts", u"VOZ 3/4… · 2 REAPROVEITADAS"_s, true},
        {"a model name wider than the display", u"TRANSCREVENDO · LARGE-V3-TURBO…"_s, false},
        {"a sentence far longer than the display",
         u"A ENGINE LOCAL DE TRANSCRIÇÃO NÃO ESTÁ INSTALADA. INSTALE-A COM TELVORA-INSTALL-ENGINE."_s, false},
        {"short", u"ERRO"_s, true},
    };
    const QSizeF frame = Layout::statusDisplay.size();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const StatusDisplay::Fit fit = StatusDisplay::fit(c.status, frame);
        ASSERT_FALSE(fit.lines.isEmpty());
        EXPECT_LE(fit.lines.size(), Style::statusLines);
        EXPECT_GE(fit.size, Style::statusMinimumSize);
        EXPECT_LE(fit.size, Style::statusSize);
        const QFontMetricsF metrics(ConsoleFonts::regular(fit.size));
        EXPECT_LE(fit.lines.size() * metrics.lineSpacing(), frame.height());

        const QStringList words = c.status.split(u' ', Qt::SkipEmptyParts);
        QStringList shown;
        for (const QString &line : fit.lines) {
            EXPECT_LE(metrics.horizontalAdvance(line), frame.width()) << line.toStdString();
            shown += line.split(u' ', Qt::SkipEmptyParts);
        }
        // Every word shown is a whole word of the status, in its order; only a cut adds "…".
        ASSERT_LE(shown.size(), words.size()) << fit.lines.join(u" / "_s).toStdString();
        for (qsizetype i = 0; i < shown.size(); ++i) {
            QString word = shown[i];
            if (word != words.value(i) && word.endsWith(u"…"_s))
                word.chop(1);
            EXPECT_EQ(word, words.value(i)) << "word " << i << " of " << fit.lines.join(u" / "_s).toStdString();
        }
        if (c.whole)
            EXPECT_EQ(shown, words) << fit.lines.join(u" / "_s).toStdString();
        else
            EXPECT_LT(shown.size(), words.size()) << fit.lines.join(u" / "_s).toStdString();
    }
}

TEST_F(StatusDisplayTests, aShortStatusKeepsTheFullSizeAndAPercentageKeepsItsLine)
{
    const QSizeF frame = Layout::statusDisplay.size();
    const StatusDisplay::Fit ready = StatusDisplay::fit(u"PRONTO"_s, frame);
    EXPECT_EQ(ready.size, Style::statusSize);
    EXPECT_EQ(ready.lines, QStringList{u"PRONTO"_s});

    const StatusDisplay::Fit progress = StatusDisplay::fit(u"TRANSCREVENDO · LARGE-V3-TURBO…\n42\u00A0%"_s, frame);
    ASSERT_EQ(progress.lines.size(), 2);
    EXPECT_TRUE(progress.lines[0].startsWith(u"TRANSCREVENDO"_s)) << progress.lines[0].toStdString();
    EXPECT_EQ(progress.lines[1], u"42\u00A0%"_s);
}

} // namespace
} // namespace telvora

#include "TelvoraCore/Editorial/Editorial.h"

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

TEST(Editorial, BasePromptIs432BytesEndingInALineFeed)
{
    EXPECT_EQ(Editorial::basePrompt().toUtf8().size(), 432);
    EXPECT_TRUE(Editorial::basePrompt().endsWith(u'\n'));
}

TEST(Editorial, TextKindsHaveThreeLinesWithoutTrailingLineFeed)
{
    const QString text = Editorial::instructions(OutputKind::summary, OutputLength::short_);
    EXPECT_EQ(text.toUtf8().size(), 649);
    EXPECT_EQ(text,
              Editorial::basePrompt() + OutputKind(OutputKind::summary).instruction() + u'\n'
                  + OutputLength(OutputLength::short_).instruction());
    for (OutputKind kind : OutputKind::allCases()) {
        if (kind == OutputKind::quintara)
            continue;
        for (OutputLength length : OutputLength::allCases()) {
            const QString composed = Editorial::instructions(kind, length);
            EXPECT_EQ(composed.count(u'\n'), 2) << kind.id().toStdString();
            EXPECT_TRUE(composed.endsWith(length.instruction()));
        }
    }
}

TEST(Editorial, SentenceSizesMatchTheirTexts)
{
    EXPECT_EQ(OutputKind(OutputKind::summary).instruction().toUtf8().size(), 153);
    EXPECT_EQ(OutputLength(OutputLength::short_).instruction().toUtf8().size(), 63);
}

TEST(Editorial, PresentationAppendsTheGuideAfterAnEmptyLine)
{
    const QString text = Editorial::instructions(OutputKind::quintara, OutputLength::long_);
    const QString head = Editorial::basePrompt() + OutputKind(OutputKind::quintara).instruction() + u'\n'
        + OutputLength(OutputLength::long_).instruction() + u"\n\n"_s;
    ASSERT_TRUE(text.startsWith(head));
    EXPECT_TRUE(text.mid(head.size()).startsWith(u"Contrato de autoria Quintara incluído no Telvora:\n"_s));
}

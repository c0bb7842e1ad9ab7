#include "Telvora/Interface/QtUserPrompts.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

TEST(SaveDialogName, FollowsTheTypeTheUserPicks)
{
    using Type = UserPrompts::FileType;
    const QStringList filters =
        QtUserPrompts::nameFilters({Type::plainText, Type::rtf, Type::odt, Type::subRip, Type::webVtt});
    ASSERT_EQ(filters.size(), 6);
    const QString everyType = filters[0], plain = filters[1], subRip = filters[4], webVtt = filters[5];
    struct Case
    {
        const char *name;
        QString typed;
        QString filter;
        QString expected;
    };
    const Case cases[] = {
        {"plain name to subtitles", u"aula-m4a-original.txt"_s, subRip, u"aula-m4a-original.srt"_s},
        {"dots kept in the name", u"Exemplo · ideias-txt.v2.txt"_s, webVtt, u"Exemplo · ideias-txt.v2.vtt"_s},
        {"an accepted extension stays", u"notas.md"_s, plain, u"notas.md"_s},
        {"capitals count as the same extension", u"notas.TXT"_s, plain, u"notas.TXT"_s},
        {"every type keeps any of them", u"legenda.srt"_s, everyType, u"legenda.srt"_s},
        {"no extension is left to the default", u"notas"_s, subRip, u"notas"_s},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(QtUserPrompts::nameForFilter(row.typed, row.filter), row.expected);
    }
}

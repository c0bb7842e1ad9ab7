#include "Telvora/Interface/QtUserPrompts.h"

#include "tests/support/QtPrinters.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

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

TEST(SaveDialogName, TheSaveDialogRenamesTheTypedNameWhenTheUserPicksAType)
{
    using Type = UserPrompts::FileType;
    QString shownAfterPick;
    // The dialog runs modally; its own widgets are driven once it shows.
    QTimer::singleShot(0, [&shownAfterPick] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto *types = dialog->findChild<QComboBox *>(u"fileTypeCombo"_s);
        auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        ASSERT_NE(types, nullptr);
        ASSERT_NE(name, nullptr);
        const int subRip = types->findText(u"Legendas SubRip (*.srt)"_s);
        ASSERT_GE(subRip, 0);
        types->setCurrentIndex(subRip);
        Q_EMIT types->activated(subRip); // what a click on the entry sends
        shownAfterPick = name->text();
        dialog->reject();
    });
    QtUserPrompts prompts;
    const std::optional<QString> chosen =
        prompts.chooseSaveLocation({{Type::plainText, Type::rtf, Type::subRip}, u"aula-m4a-original.txt"_s});
    EXPECT_FALSE(chosen);
    EXPECT_EQ(shownAfterPick, u"aula-m4a-original.srt"_s);
}

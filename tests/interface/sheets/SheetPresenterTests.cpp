#include "tests/interface/sheets/SheetFixture.h"

#include "Telvora/Interface/Sheets/SettingsView.h"
#include "Telvora/Interface/Sheets/SheetPresenter.h"
#include "Telvora/Interface/Sheets/TranscriptionOptionsView.h"

#include <QPointer>

#include <memory>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class Presenting : public SheetFixture
{
protected:
    void SetUp() override
    {
        SheetFixture::SetUp();
        window = std::make_unique<QWidget>();
        window->resize(400, 600);
        window->show();
        settingsSheets = SheetPresenter::forSettings(window.get(), *workflows, [] { return true; });
        optionsSheets = SheetPresenter::forTranscriptionOptions(window.get(), *workflows);
    }

    // The window, its presenters and their sheets go before the workflows they show.
    void TearDown() override
    {
        window.reset();
        SheetFixture::TearDown();
    }

    // Closes the sheet as the user does and waits until it is gone.
    static bool closeWith(QDialog *sheet, const QString &button)
    {
        QPointer<QDialog> closing = sheet;
        child<QPushButton>(*sheet, button)->click();
        return QTest::qWaitFor([&] { return closing.isNull(); }, 2000);
    }

    std::unique_ptr<QWidget> window;
    SheetPresenter *settingsSheets = nullptr;
    SheetPresenter *optionsSheets = nullptr;
};

} // namespace

TEST_F(Presenting, ARequestShowsOneWindowModalSheet)
{
    struct Case
    {
        const char *name;
        SheetPresenter *presenter;
        std::function<bool(QDialog *)> isItsKind;
        QString closeButton;
    };
    const Case cases[] = {
        {"settings", settingsSheets, [](QDialog *sheet) { return qobject_cast<SettingsView *>(sheet) != nullptr; },
         u"cancel"_s},
        {"transcription options", optionsSheets,
         [](QDialog *sheet) { return qobject_cast<TranscriptionOptionsView *>(sheet) != nullptr; }, u"done"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.presenter->sheet(), nullptr);
        c.presenter->present();
        QDialog *sheet = c.presenter->sheet();
        ASSERT_NE(sheet, nullptr);
        EXPECT_TRUE(c.isItsKind(sheet));
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
        EXPECT_EQ(sheet->parentWidget(), window.get());
        EXPECT_EQ(window->findChildren<QDialog *>().size(), 1);

        ASSERT_TRUE(closeWith(sheet, c.closeButton));
        EXPECT_EQ(c.presenter->sheet(), nullptr);
    }
}

TEST_F(Presenting, ARequestWhileShownKeepsTheSheetAsItIs)
{
    settingsSheets->present();
    QPointer<QDialog> sheet = settingsSheets->sheet();
    ASSERT_NE(sheet, nullptr);
    auto *field = child<ModelChoice>(*sheet, u"textModel"_s)->field();
    type(field, u"rascunho"_s);

    settingsSheets->present();
    EXPECT_EQ(settingsSheets->sheet(), sheet.data());
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(field->text(), u"rascunho"_s);
    EXPECT_EQ(window->findChildren<SettingsView *>().size(), 1);
}

TEST_F(Presenting, ARequestAfterClosingBuildsAFreshSheet)
{
    settingsSheets->present();
    QPointer<QDialog> first = settingsSheets->sheet();
    auto *field = child<ModelChoice>(*first, u"textModel"_s)->field();
    type(field, u"rascunho"_s);
    QTest::keyClick(field, Qt::Key_Escape);
    ASSERT_FALSE(first->isVisible());

    settingsSheets->present();
    QDialog *second = settingsSheets->sheet();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first.data());
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(child<ModelChoice>(*second, u"textModel"_s)->selection(), workflows->settings().textModel());
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 2000)) << "the closed sheet is not kept";
    EXPECT_EQ(window->findChildren<SettingsView *>().size(), 1);
}

TEST_F(Presenting, ReopenedOptionsShowTheValuesJustSet)
{
    optionsSheets->present();
    auto *language = child<QLineEdit>(*optionsSheets->sheet(), u"language"_s);
    language->setFocus();
    language->selectAll();
    QTest::keyClicks(language, u"es"_s);
    ASSERT_TRUE(closeWith(optionsSheets->sheet(), u"done"_s));

    optionsSheets->present();
    ASSERT_NE(optionsSheets->sheet(), nullptr);
    EXPECT_EQ(child<QLineEdit>(*optionsSheets->sheet(), u"language"_s)->text(), u"es"_s);
}

#include "tests/interface/sheets/SheetFixture.h"

#include "Telvora/Interface/Sheets/SettingsView.h"
#include "Telvora/Interface/Sheets/SheetPresenter.h"
#include "Telvora/Interface/Sheets/TranscriptionOptionsView.h"

#include <QPointer>

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
        window.resize(400, 600);
        window.show();
        settingsSheets = SheetPresenter::presentSettings(&window, *session, [] { return true; });
        optionsSheets = SheetPresenter::presentTranscriptionOptions(&window, *session);
    }

    QWidget window;
    SheetPresenter *settingsSheets = nullptr;
    SheetPresenter *optionsSheets = nullptr;
};

} // namespace

TEST_F(Presenting, TheFlagShowsAWindowModalSheetAndClosingClearsIt)
{
    EXPECT_EQ(settingsSheets->sheet(), nullptr);
    session->setShowSettings(true);
    QPointer<QDialog> sheet = settingsSheets->sheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_NE(qobject_cast<SettingsView *>(sheet), nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->parentWidget(), &window);

    child<QPushButton>(*sheet, u"cancel"_s)->click();
    EXPECT_FALSE(session->showSettings());
    EXPECT_EQ(settingsSheets->sheet(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 2000));
}

TEST_F(Presenting, ClearingTheFlagClosesTheSheet)
{
    session->setShowTranscriptionOptions(true);
    QPointer<QDialog> sheet = optionsSheets->sheet();
    ASSERT_NE(qobject_cast<TranscriptionOptionsView *>(sheet), nullptr);
    session->setShowTranscriptionOptions(false);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 2000));
}

TEST_F(Presenting, EachShowingStartsFresh)
{
    session->setShowSettings(true);
    auto *field = child<ModelChoice>(*settingsSheets->sheet(), u"textModel"_s)->field();
    type(field, u"rascunho"_s);
    QTest::keyClick(field, Qt::Key_Escape);
    ASSERT_FALSE(session->showSettings());

    session->setShowSettings(true);
    EXPECT_EQ(child<ModelChoice>(*settingsSheets->sheet(), u"textModel"_s)->selection(), session->textModel());
}

TEST_F(Presenting, ReopenedOptionsShowTheValuesJustSet)
{
    session->setShowTranscriptionOptions(true);
    auto *language = child<QLineEdit>(*optionsSheets->sheet(), u"language"_s);
    language->setFocus();
    language->selectAll();
    QTest::keyClicks(language, u"es"_s);
    child<QPushButton>(*optionsSheets->sheet(), u"done"_s)->click();
    ASSERT_FALSE(session->showTranscriptionOptions());

    session->setShowTranscriptionOptions(true);
    EXPECT_EQ(child<QLineEdit>(*optionsSheets->sheet(), u"language"_s)->text(), u"es"_s);
}

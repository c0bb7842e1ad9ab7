#include "tests/interface/reader/ReaderFixture.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"

#include "Telvora/Interface/Reader/ReaderTexts.h"
#include "TelvoraCore/Transcript/Subtitles.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include <QAction>
#include <QMenu>
#include <QTextBlock>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

const QList<TranscriptSegment> meeting{{u"SPEAKER_00"_s, 0, 4, u"Bom dia a todos."_s},
                                       {u"SPEAKER_01"_s, 4, 9, u"Bom dia. SPEAKER_00: presente."_s},
                                       {u"SPEAKER_00"_s, 9, 15, u"Vamos começar pela pauta."_s}};

class Renaming : public ReaderFixture
{
protected:
    void open(bool timecodes)
    {
        session->setTimecodes(timecodes);
        test::runTask(workflows->document().importFile(
            QUrl::fromLocalFile(writeFile(u"reuniao.json"_s, Transcript::encode(meeting)))));
    }

    void correctParagraph(int index, const QString &typed)
    {
        QTextCursor end(paragraph(index));
        end.movePosition(QTextCursor::EndOfBlock);
        text()->setTextCursor(end);
        text()->setFocus();
        QTest::keyClicks(text(), typed);
    }
};

} // namespace

TEST_F(Renaming, EveryParagraphOfTheSpeakerIsRenamedInOneUndoStep)
{
    for (const bool timecodes : {true, false}) {
        SCOPED_TRACE(timecodes);
        open(timecodes);
        correctParagraph(2, u" Primeiro item."_s);
        const QString corrected = session->sourceText();

        prompts.textAnswers.enqueue(u"Ana Souza"_s);
        view->renameSpeaker(paragraph(1).next().next()); // any line of one of her paragraphs
        ASSERT_EQ(prompts.textQuestionsShown.size(), 1);
        EXPECT_EQ(prompts.textQuestionsShown.last().proposedText, u"SPEAKER_00"_s);
        EXPECT_EQ(prompts.textQuestionsShown.last().label, u"Novo nome para “SPEAKER_00” em todos os parágrafos:"_s);

        QString expected = corrected;
        const QString prefix = timecodes ? u"] "_s : QString();
        expected.replace(prefix + u"SPEAKER_00: Bom dia a"_s, prefix + u"Ana Souza: Bom dia a"_s);
        expected.replace(prefix + u"SPEAKER_00: Vamos"_s, prefix + u"Ana Souza: Vamos"_s);
        EXPECT_EQ(session->sourceText(), expected) << "only the names that start a paragraph";
        EXPECT_TRUE(session->sourceText().contains(u"Primeiro item."_s)) << "the correction stays";
        EXPECT_EQ(session->status(), u"Falante renomeado para “Ana Souza” em 2 parágrafo(s)"_s);

        // Subtitles and exports read the speakers from the text.
        const auto segments = workflows->document().subtitleSegments();
        ASSERT_TRUE(segments);
        EXPECT_EQ(segments->at(0).locutor, u"Ana Souza"_s);
        EXPECT_EQ(segments->at(1).locutor, u"SPEAKER_01"_s);
        EXPECT_EQ(segments->at(2).locutor, u"Ana Souza"_s);
        EXPECT_EQ(segments->at(2).texto, u"Vamos começar pela pauta. Primeiro item."_s);

        text()->undo();
        EXPECT_EQ(session->sourceText(), corrected) << "one undo takes back every paragraph";
        text()->redo();
        EXPECT_EQ(session->sourceText(), expected);
        prompts.textQuestionsShown.clear();
    }
}

TEST_F(Renaming, ThePromptsAnswerDecides)
{
    open(true);
    const QString before = session->sourceText();
    struct Case
    {
        std::optional<QString> answer;
        QString status;
    };
    const QString invalid = ReaderTexts::invalidSpeakerName.toString();
    for (const Case &row :
         {Case{std::nullopt, u"Pronto"_s}, Case{u"SPEAKER_01"_s.left(9) + u'1', u"Pronto"_s}, Case{u"  "_s, invalid},
          Case{u"Ana: a moderadora"_s, invalid}, Case{QString(61, u'a'), invalid}}) {
        SCOPED_TRACE(row.answer.value_or(u"(cancelado)"_s).toStdString());
        session->setStatus(u"Pronto"_s);
        prompts.textAnswers.enqueue(row.answer);
        view->renameSpeaker(paragraph(1));
        EXPECT_EQ(session->sourceText(), before);
        EXPECT_EQ(session->status(), row.status);
        EXPECT_FALSE(text()->document()->isUndoAvailable());
    }
}

TEST_F(Renaming, TheParagraphsContextMenuRenamesItsSpeaker)
{
    open(false);
    const QPoint onBruno = text()->cursorRect(QTextCursor(paragraph(1))).center() + QPoint(30, 0);
    std::unique_ptr<QMenu> menu = view->paragraphMenu(onBruno);
    QAction *rename = menu->actions().last();
    EXPECT_EQ(rename->text(), u"Renomear falante…"_s);
    ASSERT_TRUE(rename->isEnabled());
    prompts.textAnswers.enqueue(u"Bruno"_s);
    rename->trigger();
    EXPECT_TRUE(session->sourceText().contains(u"\n\nBruno: Bom dia. SPEAKER_00: presente.\n\n"_s));

    // A blank line and a text that is no transcript offer no renaming.
    EXPECT_FALSE(view->paragraphMenu(text()->cursorRect(QTextCursor(paragraph(1).next())).center())
                     ->actions()
                     .last()
                     ->isEnabled());
    test::runTask(
        workflows->document().importFile(QUrl::fromLocalFile(writeFile(u"notas.txt"_s, "Sem falantes aqui."))));
    EXPECT_FALSE(view->paragraphMenu(QPoint(80, 50))->actions().last()->isEnabled());
    view->renameSpeaker(paragraph(0));
    EXPECT_EQ(session->status(), ReaderTexts::noSpeakerHere.toString());
    EXPECT_EQ(prompts.textQuestionsShown.size(), 1);
}

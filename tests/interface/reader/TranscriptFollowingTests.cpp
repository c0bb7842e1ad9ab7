#include "tests/interface/reader/ReaderFixture.h"
#include "tests/media/FakeAudioPlayer.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"

#include "Telvora/Interface/Reader/ReaderTexts.h"
#include "Telvora/Interface/Reader/TranscriptFollower.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

const QList<TranscriptSegment> interview{{u"Ana"_s, 0, 4, u"Bom dia a todos."_s},
                                         {u"Bruno"_s, 4, 9, u"Bom dia, Ana."_s},
                                         {u"Ana"_s, 9, 15, u"Vamos começar pela pauta."_s},
                                         {u"Carla"_s, 16, 20, u"Eu trouxe os números."_s}};

// A transcript opened from its JSON with its recording beside it, played by a fake player
// whose position the test sets.
class Following : public ReaderFixture
{
protected:
    void SetUp() override
    {
        ReaderFixture::SetUp();
        players.duration = 3600;
        workflows->playback().setAudioPlayerFactory(players.factory());
    }

    void open(const QList<TranscriptSegment> &segments, bool timecodes = true)
    {
        session->setTimecodes(timecodes);
        const QString transcript = writeFile(u"entrevista.json"_s, Transcript::encode(segments));
        writeFile(u"entrevista.wav"_s, "recording");
        test::runTask(workflows->document().importFile(QUrl::fromLocalFile(transcript)));
        ASSERT_TRUE(session->hasSourcePlayer());
        player = players.made.value(folder.filePath(u"entrevista.wav"_s));
        ASSERT_TRUE(player);
    }

    TranscriptFollower &follower() const { return *view->follower(); }
    QTextDocument *document() const { return text()->document(); }
    Playback &playback() const { return workflows->playback(); }

    // Moves the recording to `seconds` and lets the follower read it.
    void standAt(double seconds)
    {
        player->position = seconds;
        follower().refresh();
    }

    // The text under the follower's mark; empty when there is none.
    QString markedText() const
    {
        QStringList marked;
        for (const QTextEdit::ExtraSelection &selection : text()->extraSelections()) {
            if (!selection.format.boolProperty(QTextFormat::FullWidthSelection))
                continue;
            // The mark takes in the paragraph's own line break, so that its last line is tinted across.
            QString selected = selection.cursor.selectedText();
            if (selected.endsWith(QChar::ParagraphSeparator))
                selected.chop(1);
            marked.append(selected);
        }
        return marked.join(u'|');
    }

    void clickParagraph(int index, Qt::KeyboardModifiers modifiers)
    {
        const QRect line = text()->cursorRect(QTextCursor(paragraph(index)));
        QTest::mouseClick(text()->viewport(), Qt::LeftButton, modifiers, line.center() + QPoint(20, 0));
    }

    void activate()
    {
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        text()->setFocus();
    }

    void placeCaretIn(int index, int offset = 3)
    {
        QTextCursor cursor(paragraph(index));
        cursor.setPosition(cursor.position() + offset);
        text()->setTextCursor(cursor);
    }

    // The caret at the start of paragraph 2, two backspaces: the blank line and the break go.
    void mergeParagraphsOneAndTwo()
    {
        placeCaretIn(2, 0);
        QTest::keyClick(text(), Qt::Key_Backspace);
        QTest::keyClick(text(), Qt::Key_Backspace);
    }

    FakeAudioPlayers players;
    std::shared_ptr<FakeAudioPlayer::State> player;
};

QString line(const TranscriptSegment &segment)
{
    return u'[' + Transcript::clock(segment.inicio) + u" - "_s + Transcript::clock(segment.fim) + u"] "_s
        + segment.locutor + u": "_s + segment.texto;
}

} // namespace

TEST_F(Following, TheMarkFollowsPlayingPausingSeekingAndStopping)
{
    open(interview);
    EXPECT_EQ(markedText(), QString()) << "nothing plays yet";

    playback().toggleSource();
    player->position = 5;
    // The follower reads the position on its own while the recording plays.
    ASSERT_TRUE(QTest::qWaitFor([this] { return follower().markedSegment() == 1; }, 2000));
    EXPECT_EQ(markedText(), line(interview[1]));

    player->position = 12;
    ASSERT_TRUE(QTest::qWaitFor([this] { return follower().markedSegment() == 2; }, 2000));
    EXPECT_EQ(markedText(), line(interview[2]));

    playback().toggleSource(); // pause: the mark stays where the recording stands
    EXPECT_FALSE(session->sourcePlaying());
    EXPECT_EQ(follower().markedSegment(), 2);

    playback().rewindSource(5); // 12 → 7, paused
    EXPECT_EQ(player->seeks.last(), 7);
    EXPECT_EQ(follower().markedSegment(), 1);
    EXPECT_EQ(markedText(), line(interview[1]));

    playback().playSourceFrom(17);
    EXPECT_TRUE(session->sourcePlaying());
    EXPECT_EQ(follower().markedSegment(), 3);

    standAt(15.5); // between two segments nobody speaks
    EXPECT_EQ(markedText(), QString());

    standAt(2);
    playback().stopSource();
    EXPECT_EQ(follower().markedSegment(), std::nullopt);
    EXPECT_EQ(markedText(), QString());
}

TEST_F(Following, TheMarkIsNeitherTextNorUndoNorCount)
{
    open(interview);
    const QString footer = view->footerState()->text();
    playback().playSourceFrom(10);
    ASSERT_EQ(follower().markedSegment(), 2);
    EXPECT_FALSE(document()->isUndoAvailable());
    EXPECT_FALSE(session->hasUnsavedChanges());
    EXPECT_EQ(view->footerState()->text(), footer);
    EXPECT_EQ(document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'), session->sourceText());
    // Only the background changes, over the whole width.
    const QList<QTextEdit::ExtraSelection> selections = text()->extraSelections();
    ASSERT_EQ(selections.size(), 1);
    EXPECT_TRUE(selections.first().format.hasProperty(QTextFormat::BackgroundBrush));
    EXPECT_FALSE(selections.first().format.hasProperty(QTextFormat::ForegroundBrush));
}

TEST_F(Following, TheMarkKeepsOtherExtraSelections)
{
    open(interview);
    QTextEdit::ExtraSelection other;
    other.cursor = QTextCursor(paragraph(0));
    other.cursor.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
    other.format.setBackground(Qt::yellow);
    text()->setExtraSelections({other});

    playback().playSourceFrom(5);
    EXPECT_EQ(text()->extraSelections().size(), 2);
    playback().stopSource();
    ASSERT_EQ(text()->extraSelections().size(), 1);
    EXPECT_EQ(text()->extraSelections().first().format.background().color(), QColor(Qt::yellow));
}

QList<TranscriptSegment> longInterview()
{
    QList<TranscriptSegment> segments;
    for (int index = 0; index < 80; ++index)
        segments.append(
            {index % 2 ? u"Bruno"_s : u"Ana"_s, index * 5.0, index * 5.0 + 5, u"Fala número %1."_s.arg(index)});
    return segments;
}

TEST_F(Following, TheSpokenParagraphIsKeptInViewUnlessTheUserScrolled)
{
    open(longInterview());
    QScrollBar *bar = text()->verticalScrollBar();
    ASSERT_EQ(bar->value(), 0);

    playback().playSourceFrom(78 * 5 + 1);
    ASSERT_EQ(follower().markedSegment(), 78);
    const QRect shown = text()->cursorRect(QTextCursor(paragraph(78)));
    EXPECT_GT(bar->value(), 0);
    EXPECT_GE(shown.top(), 0);
    EXPECT_LE(shown.bottom(), text()->viewport()->height());

    // The user scrolls back to the top to read: the next paragraphs do not pull the view away.
    bar->setValue(0);
    standAt(79 * 5 + 1);
    EXPECT_EQ(follower().markedSegment(), 79);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(Following, TheViewStaysWhereTheUserJustTyped)
{
    open(longInterview());
    activate();
    placeCaretIn(0);
    QTest::keyClicks(text(), u"x"_s);
    playback().playSourceFrom(78 * 5 + 1);
    EXPECT_EQ(follower().markedSegment(), 78);
    EXPECT_EQ(text()->verticalScrollBar()->value(), 0);
}

TEST_F(Following, CtrlClickPlaysFromTheParagraphsSegment)
{
    open(interview);
    clickParagraph(2, Qt::NoModifier);
    EXPECT_TRUE(player->seeks.isEmpty()) << "a plain click only places the caret";
    EXPECT_FALSE(session->sourcePlaying());

    clickParagraph(2, Qt::ControlModifier);
    EXPECT_EQ(player->seeks, QList<double>{9});
    EXPECT_TRUE(session->sourcePlaying());
    EXPECT_EQ(follower().markedSegment(), 2);
    EXPECT_FALSE(session->hasUnsavedChanges());

    clickParagraph(0, Qt::ControlModifier);
    EXPECT_EQ(player->seeks.last(), 0);
    EXPECT_TRUE(session->sourcePlaying());
}

TEST_F(Following, TheReadersKeysPlayFromTheCaretPauseAndGoBack)
{
    open(interview, false);
    activate();
    placeCaretIn(3);
    QTest::keyClick(text(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(player->seeks, QList<double>{16});
    EXPECT_TRUE(session->sourcePlaying());

    player->position = 19;
    QTest::keyClick(text(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(player->seeks.last(), 14);
    EXPECT_EQ(follower().markedSegment(), 2);

    QTest::keyClick(text(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(session->sourcePlaying());
    QTest::keyClick(text(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(session->sourcePlaying());

    player->position = 3;
    QTest::keyClick(text(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(player->seeks.last(), 0) << "never before the start";
    EXPECT_EQ(session->sourceText(), Transcript::decode(Transcript::encode(interview), false).text);
}

// Merging two paragraphs, adding one and emptying one: the paragraphs that lost their
// segment are never marked nor played, the others still are, and undo gives them back.
TEST_F(Following, ParagraphsThatLostTheirSegmentGetNoMarkAndNoJump)
{
    open(interview);
    activate();
    mergeParagraphsOneAndTwo();
    ASSERT_EQ(paragraph(1).text(), line(interview[1]) + line(interview[2]));

    struct Case
    {
        double seconds;
        std::optional<qsizetype> marked;
    };
    for (const Case &row : {Case{2, 0}, Case{5, std::nullopt}, Case{10, std::nullopt}, Case{17, 3}}) {
        SCOPED_TRACE(row.seconds);
        standAt(row.seconds);
        EXPECT_EQ(follower().markedSegment(), row.marked);
    }
    standAt(10);
    EXPECT_EQ(markedText(), QString());

    clickParagraph(1, Qt::ControlModifier);
    placeCaretIn(1);
    QTest::keyClick(text(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_TRUE(player->seeks.isEmpty());
    EXPECT_EQ(session->status(), ReaderTexts::paragraphWithoutSegment.toString());
    std::unique_ptr<QMenu> menu = view->paragraphMenu(text()->cursorRect(QTextCursor(paragraph(1))).center());
    EXPECT_FALSE(menu->actions().at(menu->actions().size() - 2)->isEnabled());

    text()->undo();
    text()->undo();
    standAt(10);
    EXPECT_EQ(follower().markedSegment(), 2) << "undoing the merge gives both paragraphs back their segment";
    EXPECT_EQ(markedText(), line(interview[2]));

    // A paragraph of the user's own between 0 and 1 has no segment; 0 and 1 keep theirs.
    placeCaretIn(1, 0);
    QTest::keyClicks(text(), u"Nota nova."_s);
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClick(text(), Qt::Key_Return);
    ASSERT_EQ(paragraph(1).text(), u"Nota nova."_s);
    placeCaretIn(1);
    QTest::keyClick(text(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_TRUE(player->seeks.isEmpty());
    placeCaretIn(2);
    QTest::keyClick(text(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(player->seeks, QList<double>{4});
    EXPECT_EQ(markedText(), line(interview[1]));

    // Emptying paragraph 3 (segment 2) leaves a blank where nothing is marked.
    QTextCursor cursor(paragraph(3));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    text()->setTextCursor(cursor);
    QTest::keyClick(text(), Qt::Key_Delete);
    standAt(10);
    EXPECT_EQ(follower().markedSegment(), std::nullopt);
    EXPECT_EQ(markedText(), QString());
    standAt(17);
    EXPECT_EQ(markedText(), line(interview[3]));
}

// Two paragraphs merged and one added keep the count of segments: shown again after the
// document, the transcript still knows which paragraph lost its segment.
TEST_F(Following, TheTranscriptShownAgainKeepsWhatTheEditsDid)
{
    open(interview);
    activate();
    mergeParagraphsOneAndTwo();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    text()->setTextCursor(end);
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClicks(text(), u"Nota nova."_s);
    ASSERT_EQ(paragraph(3).text(), u"Nota nova."_s);

    session->setOutputText(u"Resumo da reunião."_s);
    workflows->document().showInReader(false);
    workflows->document().showInReader(true);
    ASSERT_EQ(paragraph(3).text(), u"Nota nova."_s);

    struct Case
    {
        double seconds;
        std::optional<qsizetype> marked;
        QString text;
    };
    for (const Case &row : {Case{2, 0, line(interview[0])}, Case{5, std::nullopt, QString()},
                            Case{10, std::nullopt, QString()}, Case{17, 3, line(interview[3])}}) {
        SCOPED_TRACE(row.seconds);
        playback().playSourceFrom(row.seconds);
        EXPECT_EQ(follower().markedSegment(), row.marked);
        EXPECT_EQ(markedText(), row.text);
    }
    placeCaretIn(3);
    QTest::keyClick(text(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(session->status(), ReaderTexts::paragraphWithoutSegment.toString());

    // Opened again from its file, it is the transcript as it was.
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(folder.filePath(u"entrevista.json"_s))));
    playback().playSourceFrom(10);
    EXPECT_EQ(markedText(), line(interview[2]));
}

TEST_F(Following, OnlyTheTranscriptShownWithItsRecordingIsFollowed)
{
    open(interview);
    playback().playSourceFrom(5);
    ASSERT_EQ(follower().markedSegment(), 1);

    session->setOutputText(u"Resumo da reunião."_s);
    workflows->document().showInReader(false);
    EXPECT_EQ(markedText(), QString()) << "the document is not the transcript";
    clickParagraph(0, Qt::ControlModifier);
    EXPECT_EQ(player->seeks, QList<double>{5});

    workflows->document().showInReader(true);
    follower().refresh();
    EXPECT_EQ(follower().markedSegment(), 1);

    // A recording opened alone has no transcript yet: the key plays nothing and says nothing.
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(writeFile(u"gravacao.wav"_s, "recording"))));
    ASSERT_TRUE(session->hasSourcePlayer());
    session->setStatus(u"Pronto"_s);
    activate();
    QTest::keyClick(text(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_TRUE(players.made.value(folder.filePath(u"gravacao.wav"_s))->seeks.isEmpty());
    EXPECT_EQ(session->status(), u"Pronto"_s);

    // A plain text opened next: no recording, no segments, nothing followed.
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(writeFile(u"notas.txt"_s, "Ana: nota."))));
    follower().refresh();
    EXPECT_EQ(markedText(), QString());
    EXPECT_FALSE(session->hasSourcePlayer());
}

TEST_F(Following, ATranscriptTooLongToBuildAtOnceIsFollowedOnceItIsIn)
{
    // Long enough that the reader shows its start at once and adds the rest between events.
    QList<TranscriptSegment> segments;
    const QString speech = u"Uma fala longa o bastante para encher a transcrição de um livro inteiro. "_s.repeated(3);
    for (int index = 0; index < 2000; ++index)
        segments.append({index % 2 ? u"Bruno"_s : u"Ana"_s, index * 10.0, index * 10.0 + 10, speech});
    open(segments);
    ASSERT_LT(document()->characterCount(), session->sourceText().size()) << "the text is still being built";

    const qsizetype last = segments.size() - 1;
    player->position = segments[last].inicio + 1;
    playback().toggleSource();
    ASSERT_TRUE(QTest::qWaitFor([&] { return follower().markedSegment() == last; }, 10000));
    EXPECT_EQ(markedText(), line(segments[last]));
}

#include "tests/interface/reader/ReaderFixture.h"

#include "Telvora/Document/StyledBlocks.h"
#include "Telvora/Interface/Reader/FindBar.h"
#include "Telvora/Interface/Reader/LazyDocumentLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>

#include <memory>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

QString longText(qsizetype size = 120'000)
{
    const QString section = u"Introdução\n\n"
                            u"A conversa revela como o processo criativo nasce do encontro entre perguntas, "
                            u"experiências e diferentes pontos de vista, em movimento contínuo.\n\n"
                            u"• Curiosidade — toda ideia começa com uma pergunta.\n"
                            u"• Diálogo — a escuta amplia o pensamento.\n\n"_s;
    QString text = u"O espaço das ideias\n\n"_s;
    while (text.size() < size)
        text += section;
    return text + u"Fim do livro."_s;
}

class ReaderLayout : public ReaderFixture
{
protected:
    LazyDocumentLayout *layout() const
    {
        return qobject_cast<LazyDocumentLayout *>(text()->document()->documentLayout());
    }

    void showLaidOut(const QString &shown)
    {
        session->setOutputText(shown);
        const QDeadlineTimer deadline(60'000);
        while (!layout()->isComplete() && !deadline.hasExpired())
            QApplication::processEvents();
        QApplication::processEvents();
    }

    // A plain editor with Qt's own layout, the reader's size and the same styled document.
    std::unique_ptr<QTextEdit> reference() const
    {
        auto edit = std::make_unique<QTextEdit>();
        edit->setFrameShape(QFrame::NoFrame);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        StyledBlocks(false, StyledDocument::SizeUnit::pixels).build(*edit->document(), text()->toPlainText());
        edit->document()->rootFrame()->setFrameFormat(text()->document()->rootFrame()->frameFormat());
        edit->resize(text()->size());
        edit->show();
        QApplication::processEvents();
        // The reader's scroll bar has a look of its own; the text area is what must match.
        edit->resize(edit->size() + text()->viewport()->size() - edit->viewport()->size());
        QTextCursor caret(edit->document());
        caret.setPosition(text()->textCursor().position());
        edit->setTextCursor(caret);
        edit->verticalScrollBar()->setValue(text()->verticalScrollBar()->value());
        QApplication::processEvents();
        return edit;
    }

    QRgb pixelAt(QPoint point) const { return text()->viewport()->grab().toImage().pixel(point); }
};

TEST_F(ReaderLayout, TheScrollRangeIsExactOnceTheRestIsLaidOut)
{
    session->setOutputText(longText());
    ASSERT_FALSE(layout()->isComplete());
    showLaidOut(longText());
    const auto qt = reference();
    ASSERT_EQ(qt->viewport()->size(), text()->viewport()->size());
    EXPECT_EQ(text()->document()->size(), qt->document()->size());
    EXPECT_EQ(text()->verticalScrollBar()->maximum(), qt->verticalScrollBar()->maximum());
    EXPECT_GT(text()->verticalScrollBar()->maximum(), 10'000);
}

// Moving through the text by keys and clicks lands where it lands in a plain editor with Qt's
// own layout.
TEST_F(ReaderLayout, KeysAndClicksMoveTheCaretAsWithQtsLayout)
{
    showLaidOut(longText());
    const auto qt = reference();
    qt->setFocus();
    text()->setFocus();
    const QList<QKeyCombination> keys{Qt::Key_Down,   Qt::Key_Down,     Qt::Key_Down,           Qt::Key_End,
                                      Qt::Key_Down,   Qt::Key_PageDown, Qt::Key_PageDown,       Qt::Key_Up,
                                      Qt::Key_Home,   Qt::Key_Right,    Qt::CTRL | Qt::Key_End, Qt::Key_PageUp,
                                      Qt::Key_PageUp, Qt::Key_Up,       Qt::CTRL | Qt::Key_Home};
    for (const QKeyCombination key : keys) {
        QTest::keyClick(text(), key.key(), key.keyboardModifiers());
        QTest::keyClick(qt.get(), key.key(), key.keyboardModifiers());
        ASSERT_EQ(text()->textCursor().position(), qt->textCursor().position()) << "after key " << key.key();
        ASSERT_EQ(text()->cursorRect(), qt->cursorRect()) << "after key " << key.key();
        ASSERT_EQ(text()->verticalScrollBar()->value(), qt->verticalScrollBar()->value()) << "after key " << key.key();
    }
    for (const QPoint point : {QPoint(100, 50), QPoint(300, 140), QPoint(20, 300), QPoint(700, 222)}) {
        QTest::mouseClick(text()->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseClick(qt->viewport(), Qt::LeftButton, {}, point);
        EXPECT_EQ(text()->textCursor().position(), qt->textCursor().position()) << "clicked at " << point.y();
    }
    QTest::mouseDClick(text()->viewport(), Qt::LeftButton, {}, QPoint(300, 140));
    QTest::mouseDClick(qt->viewport(), Qt::LeftButton, {}, QPoint(300, 140));
    EXPECT_FALSE(text()->textCursor().selectedText().isEmpty());
    EXPECT_EQ(text()->textCursor().selectedText(), qt->textCursor().selectedText());
}

// A tint over a whole line, as other parts of the program lay one with extra selections, and
// the match the find bar selects, are both drawn.
TEST_F(ReaderLayout, AFullWidthTintAndTheFoundMatchAreDrawn)
{
    showLaidOut(u"Título\n\nUma linha curta.\n\nOutra linha do texto."_s);
    QTextCursor line(text()->document());
    line.setPosition(10);
    const QRect caret = text()->cursorRect(line);
    // Right of the short line's text, inside the text column.
    const QPoint beyondText(text()->viewport()->width() - 80, caret.center().y());
    const QRgb paper = pixelAt(beyondText);

    QTextEdit::ExtraSelection tint;
    tint.cursor = line;
    tint.format.setBackground(QColor(200, 30, 30));
    tint.format.setProperty(QTextFormat::FullWidthSelection, true);
    text()->setExtraSelections({tint});
    EXPECT_EQ(pixelAt(beyondText), QColor(200, 30, 30).rgb());
    text()->setExtraSelections({});
    EXPECT_EQ(pixelAt(beyondText), paper);

    // Between the two words of the match, where no glyph is drawn.
    QTextCursor space(text()->document());
    space.setPosition(int(u"Título\n\nUma linha curta.\n\nOutra"_s.size()));
    const QPoint inMatch = text()->cursorRect(space).center() + QPoint(2, 0);
    const QRgb before = pixelAt(inMatch);
    view->document()->findBar()->open();
    QTest::keyClicks(view->findChild<QLineEdit *>(), u"Outra linha"_s);
    ASSERT_EQ(text()->textCursor().selectedText(), u"Outra linha"_s);
    const QRgb found = pixelAt(inMatch);
    EXPECT_NE(found, before);
    EXPECT_TRUE(found == text()->palette().color(QPalette::Active, QPalette::Highlight).rgb()
                || found == text()->palette().color(QPalette::Inactive, QPalette::Highlight).rgb());
}

// Typing into a part of a long text that is not laid out yet, right after it opened.
TEST_F(ReaderLayout, TypingWhereNothingIsLaidOutYetPlacesTheCaretOnItsLine)
{
    session->setOutputText(longText());
    ASSERT_FALSE(layout()->isComplete());
    QTextCursor far(text()->document());
    far.setPosition(int(longText().size()) - 300);
    text()->setTextCursor(far);
    QTest::keyClicks(text(), u"xyz"_s);
    const QRect caret = text()->cursorRect();
    EXPECT_TRUE(text()->viewport()->rect().contains(caret.center()));
    EXPECT_EQ(text()->cursorForPosition(caret.center()).position(), text()->textCursor().position());
    EXPECT_EQ(session->outputText().mid(int(longText().size()) - 300, 3), u"xyz"_s);
}

// Whether the document holds `shown` with the formats a whole build gives it.
bool holdsAsBuilt(const QTextDocument &document, const QString &shown)
{
    QTextDocument whole;
    StyledBlocks(false, StyledDocument::SizeUnit::pixels).build(whole, shown);
    if (document.toRawText() != whole.toRawText())
        return false;
    for (QTextBlock a = document.begin(), b = whole.begin(); a.isValid(); a = a.next(), b = b.next())
        if (a.blockFormat() != b.blockFormat() || a.charFormat() != b.charFormat()
            || QTextCursor(a).charFormat() != QTextCursor(b).charFormat())
            return false;
    return true;
}

// A book shows its start at once and gets the rest between events; what the user does
// meanwhile sees the whole text.
TEST_F(ReaderLayout, ATextStillBeingBuiltIsWholeToTheUser)
{
    const QString book = longText(1'200'000);
    session->setOutputText(book);
    ASSERT_LT(text()->document()->characterCount(), book.size() / 2);
    EXPECT_EQ(view->document()->viewText(), book);

    // The Edit menu's cut, called by name on the focused view, completes the text first,
    // so that it can be undone.
    QTextCursor start(text()->document());
    start.setPosition(5, QTextCursor::KeepAnchor);
    text()->setTextCursor(start);
    QMetaObject::invokeMethod(text(), "cut");
    EXPECT_EQ(session->outputText(), book.mid(5));
    EXPECT_TRUE(holdsAsBuilt(*text()->document(), book.mid(5)));
    text()->undo();
    EXPECT_EQ(session->outputText(), book);
    text()->redo();
    EXPECT_EQ(session->outputText(), book.mid(5));

    // A search completes the text and finds its last line.
    const QString edition = u"Segunda edição\n\n"_s + book;
    session->setOutputText(edition);
    ASSERT_LT(text()->document()->characterCount(), book.size() / 2);
    view->document()->findBar()->open();
    QTest::keyClicks(view->findChild<QLineEdit *>(), u"Fim do livro"_s);
    EXPECT_EQ(text()->textCursor().selectedText(), u"Fim do livro"_s);
    EXPECT_TRUE(holdsAsBuilt(*text()->document(), edition));

    // A key completes the text before it edits, and its edit undoes.
    session->setOutputText(book);
    ASSERT_LT(text()->document()->characterCount(), book.size() / 2);
    text()->setTextCursor(QTextCursor(text()->document()));
    text()->setFocus();
    QTest::keyClicks(text(), u"xyz"_s);
    EXPECT_EQ(session->outputText(), u"xyz"_s + book);
    EXPECT_TRUE(holdsAsBuilt(*text()->document(), u"xyz"_s + book));
    text()->undo();
    EXPECT_EQ(session->outputText(), book);

    // Left alone, the text is built to its end between events.
    session->setOutputText(u"Outro livro\n\n"_s + book);
    const QDeadlineTimer deadline(60'000);
    while (text()->document()->characterCount() <= book.size() && !deadline.hasExpired())
        QApplication::processEvents();
    EXPECT_TRUE(holdsAsBuilt(*text()->document(), u"Outro livro\n\n"_s + book));
    EXPECT_FALSE(text()->document()->isUndoAvailable());
}

} // namespace

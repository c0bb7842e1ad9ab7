#include "tests/interface/reader/ReaderFixture.h"
#include "tests/support/QtPrinters.h"

#include "Telvora/Interface/Reader/EditableDocument.h"
#include "Telvora/Interface/Reader/FindBar.h"
#include "Telvora/Interface/Reader/ReaderView.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextFrame>

#include <memory>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class Reader : public ReaderFixture
{
protected:
    QTextDocument *document() const { return text()->document(); }

    // The format the view gives the character at `position`.
    QTextCharFormat formatAt(int position) const
    {
        QTextCursor cursor(document());
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    }

    void placeCaret(int position, int anchor = -1)
    {
        QTextCursor cursor(document());
        cursor.setPosition(anchor < 0 ? position : anchor);
        if (anchor >= 0)
            cursor.setPosition(position, QTextCursor::KeepAnchor);
        text()->setTextCursor(cursor);
    }

    void typeInto(const QString &typed)
    {
        text()->setFocus();
        QTest::keyClicks(text(), typed);
    }
};

const QString prose = u"Título\n\nPrimeira linha do corpo.\nSegunda linha."_s;

} // namespace

TEST_F(Reader, TheToggleNamesTheOtherTextAndNeedsIt)
{
    struct Case
    {
        const char *name;
        bool showsSource;
        QString source, output;
        QString title;
        bool enabled;
    };
    const QList<Case> cases{
        {"output shown, source empty", false, {}, u"documento"_s, u"Ver original"_s, false},
        {"output shown, both present", false, u"fala"_s, u"documento"_s, u"Ver original"_s, true},
        {"source shown, output empty", true, u"fala"_s, {}, u"Ver saída"_s, false},
        {"source shown, both present", true, u"fala"_s, u"documento"_s, u"Ver saída"_s, true},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        session->setReaderShowsSource(row.showsSource);
        session->setSourceText(row.source);
        session->setOutputText(row.output);
        EXPECT_EQ(view->toggleButton()->text(), row.title);
        EXPECT_EQ(view->toggleButton()->isEnabled(), row.enabled);
    }
}

TEST_F(Reader, TheToggleSwitchesTextsAndBringsTheReaderForward)
{
    session->setSourceText(u"a fala"_s);
    session->setOutputText(u"o documento"_s);
    view->toggleButton()->click();
    EXPECT_TRUE(session->readerShowsSource());
    EXPECT_EQ(view->document()->viewText(), u"a fala"_s);
    EXPECT_EQ(readerShown, 1);
    view->toggleButton()->click();
    EXPECT_FALSE(session->readerShowsSource());
    EXPECT_EQ(view->document()->viewText(), u"o documento"_s);
}

TEST_F(Reader, CopyPutsExactlyTheShownTextOnTheClipboard)
{
    session->setSourceText(u"a fala\ncom duas linhas"_s);
    session->setOutputText(u"o documento"_s);
    for (const bool source : {true, false}) {
        session->setReaderShowsSource(source);
        session->setStatus(u"Pronto"_s);
        QApplication::clipboard()->setText(u"antes"_s);
        view->copyButton()->click();
        EXPECT_EQ(QApplication::clipboard()->text(), source ? session->sourceText() : session->outputText());
        EXPECT_EQ(session->status(), u"Copiado"_s);
    }
}

TEST_F(Reader, TheFooterShowsTheSourceAndTheTitleWithItsSizeOrTheLiveStatus)
{
    workflows->document().loadExample();
    EXPECT_EQ(view->footerSource()->text(), u"Exemplo para explorar a interface"_s);
    EXPECT_EQ(view->footerState()->text(),
              u"Resumo · "_s + QString::number(ReaderView::characterCount(session->outputText())) + u" caracteres"_s);

    session->setIsExample(false);
    session->setSourceName(u"entrevista.m4a"_s);
    // "e" with a combining accent and a thumbs-up with a skin tone are one character each.
    session->setOutputText(u"Cafe\u0301 👍🏽"_s);
    EXPECT_EQ(view->footerSource()->text(), u"entrevista.m4a"_s);
    EXPECT_EQ(view->footerState()->text(), u"Resumo · 6 caracteres"_s);

    session->setBusy(true);
    session->setStatus(u"Gerando resumo…"_s);
    EXPECT_EQ(view->footerState()->text(), u"Gerando resumo…"_s);
    session->setStatus(u"Voz 2/3…"_s);
    EXPECT_EQ(view->footerState()->text(), u"Voz 2/3…"_s);
    session->setStatus(u"Transcrevendo · large-v3-turbo…"_s);
    session->setTranscriptionProgress(TranscriptionProgress{TranscriptionProgress::Stage::recognition, 0.42, 170});
    EXPECT_EQ(view->footerState()->text(), u"Transcrevendo · large-v3-turbo… 42\u00A0% · cerca de 3\u00A0min"_s);
    session->setTranscriptionProgress(std::nullopt);
    EXPECT_EQ(view->footerState()->text(), u"Transcrevendo · large-v3-turbo…"_s);
    session->setBusy(false);
    EXPECT_EQ(view->footerState()->text(), u"Resumo · 6 caracteres"_s);

    session->setSourceText(u"Olá"_s);
    session->setReaderShowsSource(true);
    EXPECT_EQ(view->footerState()->text(), u"Original · 3 caracteres"_s);
}

TEST(ReaderCharacters, CountsWhatTheReaderSeesAsOneCharacter)
{
    struct Case
    {
        const char *name;
        QString text;
        qsizetype count;
    };
    const QList<Case> cases{
        {"empty", {}, 0},
        {"plain letters and accents", u"ação é"_s, 6},
        {"a carriage return and line feed", u"a\r\nb\nc\rd"_s, 7},
        {"dashes, quotes, bullet and ellipsis", u"“a” — • b…"_s, 10},
        {"a combining accent", u"e\u0301a"_s, 2},
        {"an emoji with a skin tone", u"👍🏽!"_s, 2},
        {"a flag", u"🇧🇷"_s, 1},
        {"a family joined by ZWJ", u"👨‍👩‍👧"_s, 1},
        {"Hangul jamo", u"\u1100\u1161\u11A8"_s, 1},
    };
    for (const Case &row : cases)
        EXPECT_EQ(ReaderView::characterCount(row.text), row.count) << row.name;
}

TEST_F(Reader, TheTextIsReadOnlyWhileBusy)
{
    session->setOutputText(u"documento"_s);
    session->setBusy(true);
    EXPECT_TRUE(text()->isReadOnly());
    placeCaret(0);
    typeInto(u"xyz"_s);
    EXPECT_EQ(session->outputText(), u"documento"_s);

    session->setBusy(false);
    EXPECT_FALSE(text()->isReadOnly());
    typeInto(u"xyz"_s);
    EXPECT_EQ(session->outputText(), u"xyzdocumento"_s);
}

TEST_F(Reader, TheConfigurationOfTheTextArea)
{
    EXPECT_EQ(text()->accessibleName(), u"Documento editável"_s);
    EXPECT_FALSE(text()->acceptRichText());
    EXPECT_TRUE(text()->isUndoRedoEnabled());
    EXPECT_EQ(text()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(text()->lineWrapMode(), QTextEdit::WidgetWidth);
    session->setOutputText(prose);
    const QTextFrameFormat frame = document()->rootFrame()->frameFormat();
    EXPECT_EQ(frame.leftMargin(), 60);
    EXPECT_EQ(frame.rightMargin(), 60);
    EXPECT_EQ(frame.topMargin(), 36);
    EXPECT_EQ(frame.bottomMargin(), 36);
    EXPECT_EQ(text()->palette().color(QPalette::Base), QColor::fromRgbF(0.982f, 0.97f, 0.944f));
}

TEST_F(Reader, PastingKeepsOnlyThePlainText)
{
    session->setOutputText(prose);
    auto *rich = new QMimeData;
    rich->setHtml(u"<b style='font-size:40pt'>colado</b>"_s);
    rich->setText(u"colado"_s);
    QApplication::clipboard()->setMimeData(rich);
    placeCaret(int(prose.size()));
    text()->setFocus();
    text()->paste();

    EXPECT_EQ(session->outputText(), prose + u"colado"_s);
    EXPECT_EQ(formatAt(int(prose.size()) + 2).font(), formatAt(12).font());
}

TEST_F(Reader, SwitchingTextsCollapsesTheSelectionWithinTheNewText)
{
    session->setSourceText(u"curta"_s);
    session->setOutputText(u"um documento bem mais longo que a fala"_s);
    placeCaret(30, 20);
    view->toggleButton()->click();
    EXPECT_EQ(text()->textCursor().position(), 5);
    EXPECT_FALSE(text()->textCursor().hasSelection());

    placeCaret(3, 1);
    view->toggleButton()->click();
    EXPECT_EQ(text()->textCursor().position(), 1);
    EXPECT_FALSE(text()->textCursor().hasSelection());
}

TEST_F(Reader, TypingKeepsUndoAndAnOutsideChangeClearsIt)
{
    session->setSourceText(u"fala"_s);
    session->setOutputText(prose);
    placeCaret(int(prose.size()));
    typeInto(u" Fim"_s);
    EXPECT_EQ(session->outputText(), prose + u" Fim"_s);
    EXPECT_TRUE(document()->isUndoAvailable());

    view->toggleButton()->click();
    view->toggleButton()->click();
    EXPECT_EQ(view->document()->viewText(), prose + u" Fim"_s);
    EXPECT_FALSE(document()->isUndoAvailable());
}

TEST_F(Reader, UndoTakesBackTheTypingAndWritesItThrough)
{
    session->setOutputText(prose);
    placeCaret(int(prose.size()));
    typeInto(u" Fim"_s);
    text()->undo();
    EXPECT_EQ(session->outputText(), prose);
    text()->redo();
    EXPECT_EQ(session->outputText(), prose + u" Fim"_s);
}

TEST_F(Reader, TypingUndoesAWordAtATime)
{
    session->setOutputText(u"Título\n\n"_s);
    placeCaret(8);
    typeInto(u"uma frase"_s);
    text()->undo();
    EXPECT_EQ(session->outputText(), u"Título\n\numa"_s);
    text()->undo();
    EXPECT_EQ(session->outputText(), u"Título\n\n"_s);
}

TEST_F(Reader, AnEditFromTheMenuIsRestyledAndUndoesToo)
{
    const QString original = u"Título\n\nIntrodução\ntexto"_s;
    session->setOutputText(original);
    const int lineFeed = int(original.lastIndexOf(u'\n'));
    ASSERT_EQ(formatAt(lineFeed - 2).font().pixelSize(), 24);
    placeCaret(lineFeed + 1, lineFeed);
    text()->cut(); // the menu's "Recortar" goes straight to the document

    EXPECT_EQ(session->outputText(), u"Título\n\nIntroduçãotexto"_s);
    EXPECT_EQ(formatAt(lineFeed - 2).font().pixelSize(), 18);
    for (int step = 0; step < 2 && session->outputText() != original; ++step)
        text()->undo();
    EXPECT_EQ(session->outputText(), original);
    EXPECT_EQ(formatAt(lineFeed - 2).font().pixelSize(), 24);
    EXPECT_TRUE(document()->isRedoAvailable());
}

TEST_F(Reader, ATypedHeadingIsStyledAtOnceAndTheCaretStays)
{
    session->setOutputText(prose);
    const int line = int(prose.indexOf(u"Segunda"_s));
    const QFont body = formatAt(line).font();
    placeCaret(line);
    typeInto(u"# "_s);

    EXPECT_EQ(session->outputText(), u"Título\n\nPrimeira linha do corpo.\n# Segunda linha."_s);
    EXPECT_EQ(text()->textCursor().position(), line + 2);
    const QFont heading = formatAt(line + 4).font();
    EXPECT_EQ(heading.pixelSize(), 24);
    EXPECT_TRUE(heading.bold());
    EXPECT_EQ(formatAt(line - 3).font(), body);

    // Undo takes back the space that made the heading together with its look; redo both.
    text()->undo();
    EXPECT_EQ(session->outputText(), u"Título\n\nPrimeira linha do corpo.\n#Segunda linha."_s);
    EXPECT_EQ(formatAt(line + 2).font(), body);
    text()->redo();
    EXPECT_EQ(session->outputText(), u"Título\n\nPrimeira linha do corpo.\n# Segunda linha."_s);
    EXPECT_EQ(formatAt(line + 4).font().pixelSize(), 24);
    text()->undo();
    text()->undo();
    EXPECT_EQ(session->outputText(), prose);
    EXPECT_FALSE(document()->isUndoAvailable());
}

TEST_F(Reader, ABreakAfterTheTitleGivesTheNewLineTheBodyLook)
{
    session->setOutputText(prose);
    const QFont body = formatAt(10).font();
    placeCaret(3);
    text()->setFocus();
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClicks(text(), u"x"_s);

    EXPECT_EQ(session->outputText(), u"Tít\nxulo\n\nPrimeira linha do corpo.\nSegunda linha."_s);
    EXPECT_EQ(formatAt(0).font().pixelSize(), 32);
    EXPECT_EQ(formatAt(5).font(), body);
}

TEST_F(Reader, AChangeOfTheCodeStylingAloneRestylesTheWholeText)
{
    const QString markdown = u"# Slide\n\nTexto"_s;
    session->setOutputText(markdown);
    EXPECT_EQ(formatAt(2).font().pixelSize(), 32);
    placeCaret(int(markdown.size()));
    typeInto(u"!"_s);
    ASSERT_TRUE(document()->isUndoAvailable());

    session->setGeneratedKind(OutputKind::quintara);
    EXPECT_TRUE(session->readerIsCode());
    EXPECT_EQ(formatAt(2).font(), formatAt(12).font());
    EXPECT_EQ(formatAt(2).font().pixelSize(), 15);
    EXPECT_FALSE(document()->isUndoAvailable());
    EXPECT_EQ(view->document()->viewText(), markdown + u"!"_s);
}

TEST_F(Reader, ChangesOfOtherFieldsTouchNeitherSelectionNorUndo)
{
    session->setOutputText(prose);
    placeCaret(int(prose.size()));
    typeInto(u"!"_s);
    placeCaret(9, 2);
    session->setStatus(u"Tocando"_s);
    session->setMeterLevel(0.5);
    session->setBusy(true);
    session->setBusy(false);
    EXPECT_EQ(text()->textCursor().anchor(), 2);
    EXPECT_EQ(text()->textCursor().position(), 9);
    EXPECT_TRUE(document()->isUndoAvailable());
}

TEST_F(Reader, OutsideChangesAreNotWrittenBack)
{
    QSignalSpy written(session, &Session::outputTextChanged);
    session->setOutputText(prose);
    session->setGeneratedKind(OutputKind::quintara);
    EXPECT_EQ(written.size(), 1);
    EXPECT_EQ(session->outputText(), prose);
}

TEST_F(Reader, LineBreaksTheViewCannotHoldStayUntilTheUserEdits)
{
    const QString windows = u"Título\r\n\r\nCorpo\rfim"_s;
    session->setOutputText(windows);
    EXPECT_EQ(view->document()->viewText(), u"Título\n\nCorpo\nfim"_s);
    EXPECT_EQ(session->outputText(), windows);
    // Another re-render finds nothing to change.
    placeCaret(3);
    document()->clearUndoRedoStacks();
    typeInto(u"x"_s);
    EXPECT_EQ(session->outputText(), u"Títxulo\n\nCorpo\nfim"_s);
    EXPECT_TRUE(document()->isUndoAvailable());
}

TEST_F(Reader, TheExampleShowsItsTitleAndHeadings)
{
    workflows->document().loadExample();
    const QString output = session->outputText();
    const QFont title = formatAt(2).font();
    EXPECT_EQ(title.pixelSize(), 32);
    EXPECT_TRUE(title.bold());
    const QFont heading = formatAt(int(output.indexOf(u"Pontos principais"_s)) + 1).font();
    EXPECT_EQ(heading.pixelSize(), 24);
    EXPECT_EQ(formatAt(int(output.indexOf(u"1. Curiosidade"_s)) + 1).font().pixelSize(), 18);
    const QTextBlock blank = document()->findBlock(int(output.indexOf(u"\n\n"_s)) + 1);
    EXPECT_EQ(blank.blockFormat().lineHeightType(), int(QTextBlockFormat::FixedHeight));
}

TEST_F(Reader, TheFindBarFindsForwardBackwardAndCloses)
{
    session->setOutputText(u"uma ideia, outra IDEIA e mais uma ideia"_s);
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    placeCaret(0);
    text()->setFocus();
    FindBar *bar = view->document()->findBar();
    QTest::keyClick(text(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar->isVisible());
    QTest::keyClicks(bar->field(), u"ideia"_s);
    EXPECT_EQ(text()->textCursor().selectionStart(), 4);

    QTest::keyClick(bar->field(), Qt::Key_Return);
    EXPECT_EQ(text()->textCursor().selectionStart(), 17);
    QTest::keyClick(bar->field(), Qt::Key_Return);
    EXPECT_EQ(text()->textCursor().selectionStart(), 34);
    QTest::keyClick(bar->field(), Qt::Key_Return);
    EXPECT_EQ(text()->textCursor().selectionStart(), 4); // wraps around
    QTest::keyClick(bar->field(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(text()->textCursor().selectionStart(), 34);

    QTest::keyClicks(bar->field(), u"x"_s);
    EXPECT_EQ(bar->status()->text(), u"Nenhum resultado"_s);
    EXPECT_EQ(session->outputText(), u"uma ideia, outra IDEIA e mais uma ideia"_s);

    QTest::keyClick(bar->field(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
}

#include "tests/interface/reader/ReaderFixture.h"

#include "Telvora/Document/StyledDocument.h"
#include "Telvora/Interface/Reader/EditableDocument.h"
#include "Telvora/Interface/Reader/ReaderView.h"

#include <QApplication>
#include <QClipboard>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <functional>
#include <memory>
#include <optional>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

// About 200 KB shaped like the model's answers: a title, then sections with headings,
// paragraphs, list lines and blank lines.
QString longDocument()
{
    const QString section = u"Introdução\n\n"
                            u"A conversa revela como o processo criativo nasce do encontro entre perguntas.\n\n"
                            u"• Curiosidade — toda ideia começa com uma pergunta.\n"
                            u"• Diálogo — a escuta amplia o pensamento.\n\n"
                            u"Resumo\n\n"
                            u"Curiosidade, diálogo e prática formam um ciclo.\n\n"_s;
    QString text = u"O espaço das ideias\n\n"_s;
    while (text.size() < 200'000)
        text += section;
    return text;
}

struct Run
{
    int length;
    QTextCharFormat format;
    friend bool operator==(const Run &, const Run &) = default;
};

// The characters of a block as runs of one format each.
QList<Run> runsOf(const QTextBlock &block)
{
    QList<Run> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!runs.isEmpty() && runs.back().format == fragment.charFormat())
            runs.back().length += fragment.length();
        else
            runs.append({fragment.length(), fragment.charFormat()});
    }
    return runs;
}

// The first block where `shown` differs from `reference` in its block format, its line
// break's character format or its characters' formats.
std::optional<QString> firstDifference(const QTextDocument &shown, const QTextDocument &reference)
{
    if (shown.blockCount() != reference.blockCount())
        return u"%1 blocks instead of %2"_s.arg(shown.blockCount()).arg(reference.blockCount());
    for (QTextBlock a = shown.begin(), b = reference.begin(); a.isValid(); a = a.next(), b = b.next()) {
        const QString where = u"block %1 \"%2\": "_s.arg(a.blockNumber()).arg(a.text().left(30));
        if (a.text() != b.text())
            return where + u"text differs"_s;
        if (a.blockFormat() != b.blockFormat())
            return where + u"block format differs"_s;
        if (a.charFormat() != b.charFormat())
            return where + u"the preceding line break's format differs"_s;
        if (runsOf(a) != runsOf(b))
            return where + u"character formats differ"_s;
    }
    return std::nullopt;
}

class ReaderRestyle : public ReaderFixture
{
protected:
    void placeCaret(int position, int anchor = -1)
    {
        QTextCursor cursor(text()->document());
        cursor.setPosition(anchor < 0 ? position : anchor);
        if (anchor >= 0)
            cursor.setPosition(position, QTextCursor::KeepAnchor);
        text()->setTextCursor(cursor);
        text()->setFocus();
    }

    // Each character as a key press carrying it, as a keyboard layout with accents sends it.
    void type(const QString &characters)
    {
        for (const QChar character : characters)
            QTest::sendKeyEvent(QTest::Click, text(), Qt::Key_A, QString(character), Qt::NoModifier);
    }

    // The shown document against one styled whole from the text it now holds.
    void expectStyledAsAWhole(const char *when)
    {
        SCOPED_TRACE(when);
        const QString shown = view->document()->viewText();
        ASSERT_EQ(shown, session->readerText());
        QTextDocument reference;
        StyledDocument::attributed(shown, session->readerIsCode(), StyledDocument::SizeUnit::pixels).applyTo(reference);
        const std::optional<QString> difference = firstDifference(*text()->document(), reference);
        EXPECT_FALSE(difference) << difference.value_or(QString()).toStdString();
    }
};

} // namespace

TEST_F(ReaderRestyle, AnEditRestylesItsLinesAsAWholeRestyleWould)
{
    const QString document = longDocument();
    const int middle = int(document.size() / 2);
    const auto after = [&](QStringView what, int from) { return int(document.indexOf(what, from)); };
    const auto keys = [this](QList<Qt::Key> pressed) {
        return [this, pressed] {
            for (const Qt::Key key : pressed)
                QTest::keyClick(text(), key);
        };
    };
    const auto typed = [this](QString characters) { return [this, characters] { type(characters); }; };
    struct Case
    {
        const char *name;
        bool code;
        std::function<int()> caret;
        std::function<void()> edit;
        int selectedBefore = 0; // characters selected before the caret
    };
    const QList<Case> cases{
        {"a body line becomes a heading", false, [&] { return after(u"A conversa", middle); }, typed(u"# "_s)},
        {"a heading stops being one", false, [&] { return after(u"Resumo", middle) + 3; }, typed(u"x"_s)},
        {"a line becomes a section name", false, [&] { return after(u"Curiosidade, diálogo", middle); },
         [&] {
             QTextCursor line = text()->textCursor();
             line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
             text()->setTextCursor(line);
             type(u"Conclusão"_s);
         }},
        {"the blank line before a heading goes", false, [&] { return after(u"\n\nResumo", middle) + 1; },
         keys({Qt::Key_Delete})},
        {"the blank line before a heading takes a letter", false, [&] { return after(u"\n\nResumo", middle) + 1; },
         typed(u"z"_s)},
        {"a blank line takes spaces only", false, [&] { return after(u"\n\nResumo", middle) + 1; }, typed(u"  "_s)},
        {"the title line is edited", false, [] { return 2; }, typed(u"novo "_s)},
        {"the title moves down a line", false, [] { return 0; }, keys({Qt::Key_Return})},
        {"the title is emptied", false, [&] { return after(u"\n", 0); },
         [&] {
             QTextCursor line = text()->textCursor();
             line.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
             text()->setTextCursor(line);
             QTest::keyClick(text(), Qt::Key_Backspace);
         }},
        {"the blank line after the title goes, the title stays", false, [&] { return after(u"\n", 0); },
         keys({Qt::Key_Delete, Qt::Key_Delete})},
        {"a paragraph is split", false, [&] { return after(u"processo criativo", middle); }, keys({Qt::Key_Return})},
        {"a heading is split", false, [&] { return after(u"Resumo", middle) + 3; }, keys({Qt::Key_Return})},
        {"paragraphs are merged", false, [&] { return after(u"A conversa", middle); },
         keys({Qt::Key_Backspace, Qt::Key_Backspace})},
        {"a heading is merged into the line before", false, [&] { return after(u"Resumo", middle); },
         keys({Qt::Key_Backspace, Qt::Key_Backspace})},
        {"lines are cut from the middle of one to another", false, [&] { return after(u"Resumo", middle) + 2; },
         [&] { text()->cut(); }, 120},
        {"a heading is pasted inside a paragraph", false, [&] { return after(u"criativo", middle); },
         [&] {
             QApplication::clipboard()->setText(u" fim\n\nConclusão\n# Outra\ncomeço "_s);
             text()->paste();
         }},
        {"a line is added at the end", false, [&] { return int(document.size()); }, typed(u"última"_s)},
        {"the last line break goes", false, [&] { return int(document.size()); }, keys({Qt::Key_Backspace})},
        {"the last two line breaks go", false, [&] { return int(document.size()); },
         keys({Qt::Key_Backspace, Qt::Key_Backspace})},
        {"a blank line is added at the end", false, [&] { return int(document.size()); }, keys({Qt::Key_Return})},
        {"a blank line is broken in two", false, [&] { return after(u"\n\nResumo", middle) + 1; },
         keys({Qt::Key_Return})},
        {"everything is cut", false, [&] { return int(document.size()); }, [&] { text()->cut(); },
         int(document.size())},
        {"a heading mark is typed in code", true, [&] { return after(u"A conversa", middle); }, typed(u"# "_s)},
        {"a line is split in code", true, [&] { return after(u"Resumo", middle) + 2; }, keys({Qt::Key_Return})},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        session->setOutputText(document);
        session->setGeneratedKind(row.code ? OutputKind::quintara : OutputKind::summary);
        const int caret = row.caret();
        placeCaret(caret, row.selectedBefore > 0 ? caret - row.selectedBefore : -1);
        row.edit();
        const QString edited = session->outputText();
        ASSERT_NE(edited, document);
        expectStyledAsAWhole("after the edit");
        // An edit may be a few undo steps (typing undoes a word at a time).
        for (int step = 0; step < 4 && session->outputText() != document; ++step)
            text()->undo();
        EXPECT_EQ(session->outputText(), document);
        expectStyledAsAWhole("after undo");
        for (int step = 0; step < 4 && session->outputText() != edited; ++step)
            text()->redo();
        EXPECT_EQ(session->outputText(), edited);
        expectStyledAsAWhole("after redo");
        // The next row starts from a document of its own, without this one's history.
        session->setOutputText(QString());
    }
}

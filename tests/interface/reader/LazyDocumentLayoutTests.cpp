#include "Telvora/Document/StyledBlocks.h"
#include "Telvora/Interface/Reader/LazyDocumentLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

// Every kind of line the reader shows: a title, headings, blank lines, paragraphs that wrap,
// a word longer than a line, tabs, a right-to-left line and an empty last line.
const QString prose = u"O espaço das ideias\n\nIntrodução\n\n"
                      u"A conversa revela como o processo criativo nasce do encontro entre perguntas, experiências "
                      u"e diferentes pontos de vista, em movimento contínuo, e como cada resposta abre outra "
                      u"pergunta que leva a conversa adiante sem que ninguém saiba onde ela vai terminar.\n"
                      u"• Curiosidade — toda ideia começa com uma pergunta.\n\n"
                      u"Pneumoultramicroscopicossilicovulcanoconióticopneumoultramicroscopicossilicovulcanoconiótico\n"
                      u"\tcom tabulação\tno meio\n"
                      u"שלום עולם, uma linha da direita para a esquerda\n"
                      u"# Resumo\n\n"
                      u"Curiosidade, diálogo e prática formam um ciclo.\n"_s;

QString book(int sections)
{
    QString text;
    for (int i = 0; i < sections; ++i)
        text += prose;
    return text;
}

// A document built and framed as the reader builds it, laid out by Qt's own layout or ours.
struct Laid
{
    Laid(const QString &text, bool code, qreal width, bool lazy)
    {
        if (lazy) {
            layout = new LazyDocumentLayout(&document);
            document.setDocumentLayout(layout);
        }
        StyledBlocks(code, StyledDocument::SizeUnit::pixels).build(document, text);
        QTextFrameFormat frame = document.rootFrame()->frameFormat();
        frame.setLeftMargin(60);
        frame.setRightMargin(50);
        frame.setTopMargin(36);
        frame.setBottomMargin(30);
        document.rootFrame()->setFrameFormat(frame);
        document.setTextWidth(width);
    }

    QAbstractTextDocumentLayout *any() const { return document.documentLayout(); }

    QTextDocument document;
    LazyDocumentLayout *layout = nullptr;
};

std::optional<QString> layoutDifference(const Laid &ours, const Laid &qt)
{
    if (ours.any()->documentSize() != qt.any()->documentSize())
        return u"document size %1×%2 instead of %3×%4"_s.arg(ours.any()->documentSize().width())
            .arg(ours.any()->documentSize().height())
            .arg(qt.any()->documentSize().width())
            .arg(qt.any()->documentSize().height());
    for (QTextBlock a = ours.document.begin(), b = qt.document.begin(); a.isValid(); a = a.next(), b = b.next()) {
        const QString where = u"block %1 \"%2\": "_s.arg(a.blockNumber()).arg(a.text().left(20));
        const QRectF rect = ours.any()->blockBoundingRect(a);
        const QRectF expected = qt.any()->blockBoundingRect(b);
        if (rect != expected)
            return where
                + u"at %1,%2 %3×%4 instead of %5,%6 %7×%8"_s.arg(rect.x())
                      .arg(rect.y())
                      .arg(rect.width())
                      .arg(rect.height())
                      .arg(expected.x())
                      .arg(expected.y())
                      .arg(expected.width())
                      .arg(expected.height());
        if (a.layout()->lineCount() != b.layout()->lineCount())
            return where + u"%1 lines instead of %2"_s.arg(a.layout()->lineCount()).arg(b.layout()->lineCount());
        for (int i = 0; i < a.layout()->lineCount(); ++i) {
            const QTextLine line = a.layout()->lineAt(i);
            const QTextLine other = b.layout()->lineAt(i);
            if (line.rect() != other.rect() || line.textStart() != other.textStart())
                return where + u"line %1 differs"_s.arg(i);
        }
    }
    return std::nullopt;
}

// The places a click can land: on every line, left of, inside and right of the text, and
// between the paragraphs.
std::optional<QString> hitDifference(const Laid &ours, const Laid &qt)
{
    for (QTextBlock block = qt.document.begin(); block.isValid(); block = block.next()) {
        const QRectF rect = qt.any()->blockBoundingRect(block);
        QList<qreal> heights{rect.top() - 1, rect.bottom() + 1};
        for (int i = 0; i < block.layout()->lineCount(); ++i)
            heights.append(rect.top() + block.layout()->lineAt(i).rect().center().y());
        for (const qreal y : heights)
            for (const qreal x : {-5.0, 61.0, 75.0, 200.0, 900.0})
                for (const auto accuracy : {Qt::FuzzyHit, Qt::ExactHit}) {
                    const int hit = ours.any()->hitTest({x, y}, accuracy);
                    const int expected = qt.any()->hitTest({x, y}, accuracy);
                    if (hit != expected)
                        return u"a hit at %1,%2 lands at %3 instead of %4"_s.arg(x).arg(y).arg(hit).arg(expected);
                }
    }
    return std::nullopt;
}

struct Look
{
    const char *name;
    QString text;
    bool code;
    qreal width;
};

void PrintTo(const Look &look, std::ostream *out) { *out << look.name; }

class LazyLayoutLook : public testing::TestWithParam<Look>
{
};

TEST_P(LazyLayoutLook, LaysOutAndHitsAsQtsOwnLayout)
{
    const Look &look = GetParam();
    const Laid ours(look.text, look.code, look.width, true);
    const Laid qt(look.text, look.code, look.width, false);
    ours.layout->complete();
    EXPECT_EQ(layoutDifference(ours, qt), std::nullopt);
    EXPECT_EQ(hitDifference(ours, qt), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Texts, LazyLayoutLook,
                         testing::Values(Look{"prose", prose, false, 640}, Look{"narrowProse", prose, false, 300},
                                         Look{"narrowerThanAWord", prose, false, 150},
                                         Look{"code", u"# Slide\n\nTexto\n\n"_s + prose, true, 640},
                                         Look{"emptyText", QString(), false, 640},
                                         Look{"emptyLastLine", u"Título\n\nlinha\n"_s, false, 640}),
                         [](const testing::TestParamInfo<Look> &info) { return info.param.name; });

struct Edit
{
    const char *name;
    std::function<void(QTextDocument &)> apply;
};

void PrintTo(const Edit &edit, std::ostream *out) { *out << edit.name; }

class LazyLayoutEdit : public testing::TestWithParam<Edit>
{
};

void insertAt(QTextDocument &document, int position, const QString &text)
{
    QTextCursor cursor(&document);
    cursor.setPosition(position);
    cursor.insertText(text);
}

void removeBetween(QTextDocument &document, int from, int to)
{
    QTextCursor cursor(&document);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void restyleAll(QTextDocument &document)
{
    QTextCursor cursor(&document);
    StyledBlocks(false, StyledDocument::SizeUnit::pixels).restyle(cursor, document.begin(), document.lastBlock());
}

// An edit before blocks already laid out moves them; one far down lands where nothing is
// laid out yet. Both must leave the layout Qt's own would give.
TEST_P(LazyLayoutEdit, LeavesTheLayoutQtsOwnWouldGive)
{
    const QString text = book(60);
    Laid ours(text, false, 520, true);
    Laid qt(text, false, 520, false);
    // What is shown first is laid out; the rest is not, as when a book just opened.
    ours.any()->blockBoundingRect(ours.document.findBlockByNumber(3));
    ASSERT_FALSE(ours.layout->isComplete());

    GetParam().apply(ours.document);
    GetParam().apply(qt.document);
    // The block the edit left the caret in is placed where a hit finds it, before the rest.
    const QTextBlock edited = ours.document.findBlock(int(ours.document.characterCount() / 2));
    const QRectF rect = ours.any()->blockBoundingRect(edited);
    const QTextLine line = edited.layout()->lineAt(0);
    EXPECT_EQ(ours.document.findBlock(ours.any()->hitTest(rect.topLeft() + line.rect().center(), Qt::FuzzyHit)),
              edited);
    ours.layout->complete();
    EXPECT_EQ(layoutDifference(ours, qt), std::nullopt);
    EXPECT_EQ(hitDifference(ours, qt), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, LazyLayoutEdit,
    testing::Values(Edit{"typeAtTheTop", [](QTextDocument &d) { insertAt(d, 5, u"palavras a mais "_s.repeated(20)); }},
                    Edit{"breakALineAtTheTop", [](QTextDocument &d) { insertAt(d, 30, u"\n\n"_s); }},
                    Edit{"joinLinesAtTheTop", [](QTextDocument &d) { removeBetween(d, 15, 40); }},
                    Edit{"typeFarDown", [](QTextDocument &d) { insertAt(d, d.characterCount() - 200, u"x\ny\n"_s); }},
                    Edit{"removeAcrossTheMiddle",
                         [](QTextDocument &d) { removeBetween(d, d.characterCount() / 3, d.characterCount() / 2); }},
                    Edit{"makeHeadingsOfBodyLines",
                         [](QTextDocument &d) {
                             for (QTextBlock block = d.begin(); block.isValid(); block = block.next())
                                 if (block.text().startsWith(u"Curiosidade,"_s))
                                     insertAt(d, block.position(), u"# "_s);
                             restyleAll(d);
                         }},
                    Edit{"widenTheSpacingBelowALine",
                         [](QTextDocument &d) {
                             QTextCursor cursor(d.findBlockByNumber(2));
                             QTextBlockFormat format = cursor.blockFormat();
                             format.setBottomMargin(40);
                             cursor.setBlockFormat(format);
                         }},
                    Edit{"undoAnEdit",
                         [](QTextDocument &d) {
                             insertAt(d, 100, u"\nnovo parágrafo\n"_s);
                             d.undo();
                         }}),
    [](const testing::TestParamInfo<Edit> &info) { return info.param.name; });

// Return shows the caret on its new line before the edit block ends, while the document has
// not reported that line yet.
TEST(LazyLayout, ALineNotReportedYetIsShownAndPlacedOnceReported)
{
    Laid ours(book(3), false, 600, true);
    Laid qt(book(3), false, 600, false);
    for (const int at : {int(book(3).size()), int(prose.size()) + 40}) {
        for (Laid *laid : {&ours, &qt}) {
            QTextCursor cursor(&laid->document);
            cursor.setPosition(at);
            const QRectF before = laid->any()->blockBoundingRect(cursor.block());
            cursor.beginEditBlock();
            cursor.insertBlock();
            cursor.insertText(u"Uma linha nova"_s);
            cursor.insertBlock();
            if (laid == &ours) {
                EXPECT_GE(ours.any()->blockBoundingRect(cursor.block()).top(), before.bottom()) << at;
            }
            cursor.endEditBlock();
        }
        EXPECT_EQ(layoutDifference(ours, qt), std::nullopt) << at;
    }
}

TEST(LazyLayout, AChangeOfWidthLaysOutAgainAsQtWould)
{
    const QString text = book(40);
    Laid ours(text, false, 700, true);
    ours.layout->complete();
    ours.document.setTextWidth(380);
    Laid qt(text, false, 380, false);
    // Until it is laid out again, a block counts with its old height: the size is not zero.
    EXPECT_GT(ours.any()->documentSize().height(), 1000);
    ours.layout->complete();
    EXPECT_EQ(layoutDifference(ours, qt), std::nullopt);
}

// The rest of a long text is laid out between events, without any call asking for it, and
// the size it reports then is the exact one.
TEST(LazyLayout, TheRestIsLaidOutBetweenEventsToTheExactSize)
{
    const QString text = book(150);
    Laid ours(text, false, 600, true);
    ASSERT_FALSE(ours.layout->isComplete());
    QSizeF reported;
    QObject::connect(ours.any(), &QAbstractTextDocumentLayout::documentSizeChanged,
                     [&](const QSizeF &size) { reported = size; });
    const QDeadlineTimer deadline(60'000);
    while (!ours.layout->isComplete() && !deadline.hasExpired())
        QCoreApplication::processEvents();
    ASSERT_TRUE(ours.layout->isComplete());
    const Laid qt(text, false, 600, false);
    EXPECT_EQ(reported, qt.any()->documentSize());
    EXPECT_EQ(layoutDifference(ours, qt), std::nullopt);
}

} // namespace

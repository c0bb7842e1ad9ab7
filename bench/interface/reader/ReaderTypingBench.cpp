// One keystroke in the reader, restyle, footer and repaint included, at 100 KB, 1 MB and 2 MB.

#include "ReaderBench.h"

#include "Telvora/Document/StyledDocument.h"

#include <QTest>

using namespace telvora;
using namespace telvora::bench;

namespace {

struct TypingReader : Reader
{
    explicit TypingReader(qsizetype bytes)
    {
        session.setOutputText(document(bytes));
        // Keystrokes are measured once the text is laid out, not with the layout between them.
        finishLayout();
    }
};

// A letter typed in the middle of a paragraph: the look stays, nothing is restyled.
void typeLetter(benchmark::State &state)
{
    TypingReader reader(state.range(0));
    reader.placeCaret(int(reader.session.outputText().size() / 2));
    for (auto _ : state) {
        QTest::keyClick(reader.text(), Qt::Key_A);
        QApplication::processEvents();
    }
    state.counters["bytes"] = double(reader.session.outputText().toUtf8().size());
}
BENCHMARK(typeLetter)->Apply(readerSizes);

// "#" and a space at the start of a body line make it a heading; Backspace twice undoes it.
// Each iteration is four keystrokes, two of which restyle a line.
void typeHeading(benchmark::State &state)
{
    TypingReader reader(state.range(0));
    const QString text = reader.session.outputText();
    reader.placeCaret(int(text.indexOf(u"A conversa"_s, text.size() / 2)));
    for (auto _ : state) {
        QTest::keyClick(reader.text(), Qt::Key_NumberSign, Qt::NoModifier);
        QTest::keyClick(reader.text(), Qt::Key_Space);
        QApplication::processEvents();
        QTest::keyClick(reader.text(), Qt::Key_Backspace);
        QTest::keyClick(reader.text(), Qt::Key_Backspace);
        QApplication::processEvents();
    }
    state.counters["keystrokes"] = benchmark::Counter(4, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(typeHeading)->Apply(readerSizes);

// Return in the middle of a paragraph and Backspace: a line split and merged again.
void splitParagraph(benchmark::State &state)
{
    TypingReader reader(state.range(0));
    const QString text = reader.session.outputText();
    reader.placeCaret(int(text.indexOf(u"processo criativo"_s, text.size() / 2)));
    for (auto _ : state) {
        QTest::keyClick(reader.text(), Qt::Key_Return);
        QApplication::processEvents();
        QTest::keyClick(reader.text(), Qt::Key_Backspace);
        QApplication::processEvents();
    }
    state.counters["keystrokes"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(splitParagraph)->Apply(readerSizes);

// A re-render caused by another field (the status line): one string comparison.
void unrelatedChange(benchmark::State &state)
{
    TypingReader reader(state.range(0));
    bool flip = false;
    for (auto _ : state) {
        reader.session.setStatus((flip = !flip) ? u"Tocando"_s : u"Pronto"_s);
        reader.view.document()->updateView(reader.session.readerText(), false, true);
    }
}
BENCHMARK(unrelatedChange)->Arg(100 << 10)->Unit(benchmark::kMicrosecond);

// The styling's segments of the whole text, as the export to RTF takes them.
void styleSegments(benchmark::State &state)
{
    const QString text = document(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(StyledDocument::attributed(text, false, StyledDocument::SizeUnit::pixels).segments());
}
BENCHMARK(styleSegments)->Arg(100 << 10)->Unit(benchmark::kMicrosecond);

// The footer's count, which runs over the whole text on every keystroke.
void footerCount(benchmark::State &state)
{
    const QString text = document(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ReaderView::characterCount(text));
}
BENCHMARK(footerCount)->Apply(readerSizes);

} // namespace

int main(int argc, char *argv[]) { return telvora::bench::runBenchmarks(argc, argv); }

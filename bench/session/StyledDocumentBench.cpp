#include "Telvora/Document/RtfReader.h"
#include "Telvora/Document/RtfWriter.h"
#include "Telvora/Document/StyledBlocks.h"
#include "Telvora/Document/StyledDocument.h"
#include "bench/support/OffscreenBenchmarks.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

// A generated document shaped like the model's answers: title, headings, paragraphs,
// lists and blank lines, repeated up to the size in UTF-8 bytes.
QString document(qsizetype bytes)
{
    const QString section =
        u"## Introdução\n\n"
        u"A conversa revela como o processo criativo nasce do encontro entre perguntas, "
        u"experiências e diferentes pontos de vista, em **movimento** contínuo.\n\n"
        u"- Curiosidade — toda ideia começa com uma pergunta.\n"
        u"- Diálogo — a escuta amplia o pensamento.\n\n"
        u"Resumo\n\n"
        u"Curiosidade, diálogo e prática formam um ciclo que transforma o pensamento em ação.\n\n"_s;
    QString text = u"O espaço das ideias\n\n"_s;
    while (text.toUtf8().size() < bytes)
        text += section;
    return text;
}

void sizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Arg(20 << 10)->Arg(200 << 10)->Arg(2 << 20)->Unit(benchmark::kMillisecond);
}

void attributed(benchmark::State &state)
{
    const QString text = document(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(StyledDocument::attributed(text, false));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(attributed)->Apply(sizes);

void plain(benchmark::State &state)
{
    const QString text = document(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(StyledDocument::plain(text));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(plain)->Apply(sizes);

void toDocument(benchmark::State &state)
{
    const StyledText styled = StyledDocument::attributed(document(state.range(0)), false);
    for (auto _ : state)
        benchmark::DoNotOptimize(styled.toDocument());
}
BENCHMARK(toDocument)->Apply(sizes);

// The reader's document: the styling laid straight onto a QTextDocument, one block a line.
void blocks(benchmark::State &state)
{
    const QString text = document(state.range(0));
    const StyledBlocks styling(false, StyledDocument::SizeUnit::pixels);
    for (auto _ : state) {
        QTextDocument document;
        styling.build(document, text);
        benchmark::DoNotOptimize(document.characterCount());
    }
}
BENCHMARK(blocks)->Apply(sizes);

// Qt's own Markdown reader building a document from the same text, for comparison.
void qtMarkdown(benchmark::State &state)
{
    const QString text = document(state.range(0));
    for (auto _ : state) {
        QTextDocument markdown;
        markdown.setMarkdown(text);
        benchmark::DoNotOptimize(markdown.characterCount());
    }
}
BENCHMARK(qtMarkdown)->Apply(sizes);

void rtfWrite(benchmark::State &state)
{
    const QString text = document(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(RtfWriter::write(text));
}
BENCHMARK(rtfWrite)->Apply(sizes);

void rtfRead(benchmark::State &state)
{
    const QByteArray rtf = RtfWriter::write(document(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(RtfReader::read(rtf));
}
BENCHMARK(rtfRead)->Apply(sizes);

} // namespace

// Fonts need a GUI application; the offscreen platform needs no display.
int main(int argc, char *argv[]) { return telvora::bench::runOffscreenBenchmarks<QGuiApplication>(argc, argv); }

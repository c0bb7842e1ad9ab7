#include "TelvoraCore/Diagram/DiagramASCII.h"
#include "TelvoraCore/Editorial/Editorial.h"

#include <QString>
#include <QStringList>

#include <benchmark/benchmark.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

// A Portuguese script of about `megabytes` MB of UTF-8: accented sentences, emoji
// (single and joined), combining marks, paragraph breaks and the odd long word.
QString script(int megabytes)
{
    const QStringList sentences{
        u"A narração começa devagar, com pausas que deixam o ouvinte respirar."_s,
        u"Então, o que aconteceu depois? Ninguém soube dizer ao certo 🎙️."_s,
        u"Os pesquisadores compararam três hipóteses, e nenhuma se sustentou sozinha!"_s,
        u"Família reunida 👨‍👩‍👧 na praça de São João, sob a chuva de junho."_s,
        u"Ela escreveu a\u0300 mão: cafe\u0301, ac\u0327u\u0301car e pa\u0303o."_s,
        u"Interdisciplinaridadeeconstitucionalissimamente sem espaços para cortar."_s,
    };
    const qsizetype target = qsizetype(megabytes) * 1024 * 1024;
    QString text;
    qsizetype bytes = 0;
    for (qsizetype i = 0; bytes < target; ++i) {
        const QString &sentence = sentences[i % sentences.size()];
        text += sentence;
        text += (i % 7 == 6) ? u"\n\n"_s : u" "_s;
        bytes += sentence.toUtf8().size() + 1;
    }
    return text;
}

// A Markdown document with `blocks` Mermaid blocks: two of every three are flowcharts
// that convert, the third is a sequence diagram that stays as it is.
QString document(int blocks)
{
    QString text = u"# Relatório\n\n"_s;
    for (int i = 0; i < blocks; ++i) {
        text += u"## Seção %1\n\nParágrafo de introdução à etapa, com acentuação e `código`.\n\n"_s.arg(i);
        if (i % 3 == 2)
            text += u"```mermaid\nsequenceDiagram\nAna->>Bruno: olá\n```\n\n"_s;
        else
            text += u"```mermaid\nflowchart TD\n%% etapa\nA[Início] --> B[\"Etapa %1\"] --> C[Fim];\n```\n\n"_s.arg(i);
    }
    return text;
}

void speechChunks(benchmark::State &state)
{
    const QString text = script(int(state.range(0)));
    const int limit = int(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(Editorial::speechChunks(text, limit));
    state.SetBytesProcessed(state.iterations() * text.toUtf8().size());
}
BENCHMARK(speechChunks)->ArgsProduct({{1, 2}, {3000, 4500}})->ArgNames({"MB", "limit"})->Unit(benchmark::kMillisecond);

void convertBlocks(benchmark::State &state)
{
    const QString text = document(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(DiagramASCII::convertBlocks(text));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(convertBlocks)->Arg(1000)->Arg(2000)->ArgName("blocks")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

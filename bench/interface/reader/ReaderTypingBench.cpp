// One keystroke in the reader on a 100 KB document, restyle and repaint included.

#include "Telvora/Document/StyledDocument.h"
#include "Telvora/Interface/Reader/EditableDocument.h"
#include "Telvora/Interface/Reader/ReaderView.h"
#include "Telvora/Session/Workflows.h"
#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/ScriptedUserPrompts.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include <memory>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

// A document shaped like the model's answers: title, headings, paragraphs and blank lines.
QString document(qsizetype bytes)
{
    const QString section =
        u"Introdução\n\n"
        u"A conversa revela como o processo criativo nasce do encontro entre perguntas, "
        u"experiências e diferentes pontos de vista, em movimento contínuo.\n\n"
        u"• Curiosidade — toda ideia começa com uma pergunta.\n"
        u"• Diálogo — a escuta amplia o pensamento.\n\n"
        u"Resumo\n\n"
        u"Curiosidade, diálogo e prática formam um ciclo que transforma o pensamento em ação.\n\n"_s;
    QString text = u"O espaço das ideias\n\n"_s;
    while (text.toUtf8().size() < bytes)
        text += section;
    return text;
}

struct Reader
{
    QTemporaryDir folder;
    QSettings settings{folder.filePath(u"Telvora.ini"_s), QSettings::IniFormat};
    test::InMemoryCredentialBackend credentials;
    test::ScriptedUserPrompts prompts;
    Workflows workflows{{settings, credentials, prompts, ProviderEndpoints::defaults()}};
    Session &session = workflows.session();
    ReaderView view{workflows};

    explicit Reader(qsizetype bytes)
    {
        session.setOutputText(document(bytes));
        view.resize(760, 900);
        view.show();
        QApplication::processEvents();
        QTextEdit *text = view.document()->textView();
        text->setFocus();
    }

    QTextEdit *text() const { return view.document()->textView(); }

    void placeCaret(int position)
    {
        QTextCursor cursor(text()->document());
        cursor.setPosition(position);
        text()->setTextCursor(cursor);
        text()->ensureCursorVisible();
        QApplication::processEvents();
    }
};

// A letter typed in the middle of a paragraph: the look stays, nothing is restyled.
void typeLetter(benchmark::State &state)
{
    Reader reader(state.range(0));
    reader.placeCaret(int(reader.session.outputText().size() / 2));
    for (auto _ : state) {
        QTest::keyClick(reader.text(), Qt::Key_A);
        QApplication::processEvents();
    }
    state.counters["bytes"] = double(reader.session.outputText().toUtf8().size());
}
BENCHMARK(typeLetter)->Arg(100 << 10)->Unit(benchmark::kMillisecond);

// "#" and a space at the start of a body line make it a heading; Backspace twice undoes it.
// Each iteration is four keystrokes, two of which restyle a line.
void typeHeading(benchmark::State &state)
{
    Reader reader(state.range(0));
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
BENCHMARK(typeHeading)->Arg(100 << 10)->Unit(benchmark::kMillisecond);

// A re-render caused by another field (the status line): one string comparison.
void unrelatedChange(benchmark::State &state)
{
    Reader reader(state.range(0));
    bool flip = false;
    for (auto _ : state) {
        reader.session.setStatus((flip = !flip) ? u"Tocando"_s : u"Pronto"_s);
        reader.view.document()->updateView(reader.session.readerText(), false, true);
    }
}
BENCHMARK(unrelatedChange)->Arg(100 << 10)->Unit(benchmark::kMicrosecond);

} // namespace

// The two whole-text passes of a keystroke: the styling's segments and the footer's count.
namespace {

void styleSegments(benchmark::State &state)
{
    const QString text = document(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(StyledDocument::attributed(text, false, StyledDocument::SizeUnit::pixels).segments());
}
BENCHMARK(styleSegments)->Arg(100 << 10)->Unit(benchmark::kMicrosecond);

void footerCount(benchmark::State &state)
{
    const QString text = document(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ReaderView::characterCount(text));
}
BENCHMARK(footerCount)->Arg(100 << 10)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#pragma once

// What the reader's benchmarks share: a document shaped like the model's answers and the
// reader window showing it, as the program builds them.

#include "Telvora/Interface/Reader/EditableDocument.h"
#include "Telvora/Interface/Reader/LazyDocumentLayout.h"
#include "Telvora/Interface/Reader/ReaderView.h"
#include "Telvora/Session/Workflows.h"
#include "TelvoraCore/Transcript/Transcript.h"
#include "bench/support/OffscreenBenchmarks.h"
#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/ScriptedUserPrompts.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>

#include <benchmark/benchmark.h>

namespace telvora::bench {

using namespace Qt::Literals::StringLiterals;

// Title, headings, paragraphs, list lines and blank lines, repeated up to `bytes` of UTF-8.
inline QString document(qsizetype bytes)
{
    const QString section =
        u"Introdução\n\n"
        u"A conversa revela como o processo criativo nasce do encontro entre perguntas, "
        u"experiências e diferentes pontos de vista, em movimento contínuo.\n\n"
        u"• Curiosidade — toda ideia começa com uma pergunta.\n"
        u"• Diálogo — a escuta amplia o pensamento.\n\n"
        u"Resumo\n\n"
        u"Curiosidade, diálogo e prática formam um ciclo que transforma o pensamento em ação.\n\n"_s;
    const qsizetype sectionBytes = section.toUtf8().size();
    QString text = u"O espaço das ideias\n\n"_s;
    for (qsizetype size = text.toUtf8().size(); size < bytes; size += sectionBytes)
        text += section;
    return text;
}

// A transcript of `segments` segments of two speakers, 4 s each, as its JSON file holds it.
inline QByteArray transcript(qsizetype segments)
{
    QList<TranscriptSegment> all;
    all.reserve(segments);
    for (qsizetype index = 0; index < segments; ++index)
        all.append({index % 2 ? u"Bruno"_s : u"Ana"_s, index * 4.0, index * 4.0 + 4,
                    u"A conversa revela como o processo criativo nasce do encontro entre perguntas."_s});
    return Transcript::encode(all);
}

// The reader window on its own workflows, shown at a usual size.
struct Reader
{
    QTemporaryDir folder;
    QSettings settings{folder.filePath(u"Telvora.ini"_s), QSettings::IniFormat};
    test::InMemoryCredentialBackend credentials;
    test::ScriptedUserPrompts prompts;
    Workflows workflows{{settings, credentials, prompts, ProviderEndpoints::defaults()}};
    Session &session = workflows.session();
    ReaderView view{workflows};

    Reader()
    {
        view.resize(760, 900);
        view.show();
        QApplication::processEvents();
        text()->setFocus();
    }

    QTextEdit *text() const { return view.document()->textView(); }

    LazyDocumentLayout *layout() const
    {
        return qobject_cast<LazyDocumentLayout *>(text()->document()->documentLayout());
    }

    // Whether the text shown is built and laid out to its end.
    bool isLaidOut() const
    {
        return layout()->isComplete() && text()->document()->characterCount() - 1 >= view.document()->viewText().size();
    }

    // Runs the event loop until the text is built and laid out to its end.
    void finishLayout()
    {
        while (!isLaidOut())
            QApplication::processEvents();
        QApplication::processEvents();
    }

    void placeCaret(int position)
    {
        QTextCursor cursor(text()->document());
        cursor.setPosition(position);
        text()->setTextCursor(cursor);
        text()->ensureCursorVisible();
        QApplication::processEvents();
    }
};

inline void readerSizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Arg(100 << 10)->Arg(1 << 20)->Arg(2 << 20)->Unit(benchmark::kMillisecond);
}

// The benchmarks' main: a QApplication on the offscreen platform unless told otherwise.
inline int runBenchmarks(int argc, char *argv[]) { return runOffscreenBenchmarks<QApplication>(argc, argv); }

} // namespace telvora::bench

// The console's repaint costs: the whole panel at 1× and 2× scale, and one meter update,
// which repaints only the needle's region. Run offscreen:
//   QT_QPA_PLATFORM=offscreen build/bin/ConsoleRepaintBench
#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Console/ControllerView.h"
#include "Telvora/Session/Workflows.h"
#include "TelvoraCore/Support/ResourceBundle.h"
#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/ScriptedUserPrompts.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace telvora;

struct Console
{
    QTemporaryDir folder;
    QSettings settings{folder.filePath(QStringLiteral("bench.ini")), QSettings::IniFormat};
    test::InMemoryCredentialBackend credentials;
    test::ScriptedUserPrompts prompts;
    Workflows workflows{{settings, credentials, prompts, ProviderEndpoints{}}};
    Session &session = workflows.session();
    ControllerView view{workflows, {}, {}, {}};

    explicit Console(qreal scale)
    {
        workflows.document().loadExample();
        session.setStatus(QStringLiteral("Pronto"));
        QList<double> waveform;
        for (int i = 0; i < 36; ++i)
            waveform << (i % 7) / 7.0;
        session.setWaveform(waveform);
        view.resize(QSize(802, 1442) * scale);
        view.show();
        QCoreApplication::processEvents();
    }
};

// Everything: the panel, every key, display and menu, as a full repaint draws it.
void fullPanel(benchmark::State &state)
{
    const qreal scale = qreal(state.range(0));
    Console console(scale);
    QImage target(console.view.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        console.view.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel(scale == 1 ? "802 x 1442" : "1604 x 2884");
}
BENCHMARK(fullPanel)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// One meter step as the metering loop makes it: the level changes, and the console
// repaints what that invalidated.
void needleUpdate(benchmark::State &state)
{
    Console console(1);
    double level = 0;
    for (auto _ : state) {
        level = level > 0.9 ? 0.05 : level + 0.07;
        console.session.setMeterLevel(level);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(needleUpdate)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ConsoleFonts::registerAll(AppResources::bundle());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

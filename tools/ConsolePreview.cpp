// Shows the console panel on its own, with the built-in example loaded, for working on its
// look; with --grab <file.png> it renders the panel offscreen at 802 × 1442 and writes it.
// --size <w>x<h> renders it at a window's size instead (with QT_SCALE_FACTOR=2 at twice the
// pixels); --recording <audio> opens that recording first; --busy shows it while a summary is
// generated, --transcribing in the middle of a transcription that reports its progress.
//   telvora-console-preview [--grab docs/console.png] [--scale 2 | --size 450x809]
//                           [--recording <audio>] [--busy | --transcribing]
#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Console/ControllerView.h"
#include "TelvoraCore/Support/ResourceBundle.h"
#include "tools/PreviewWorkflows.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QPainter>

#include <cstdio>

int main(int argc, char *argv[])
{
    using namespace telvora;
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const qsizetype grabAt = raw.indexOf(QStringLiteral("--grab"));
    if (grabAt > 0 && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ConsoleFonts::registerAll(AppResources::bundle());

    tools::PreviewWorkflows preview;
    Workflows &workflows = preview.workflows;
    workflows.document().loadExample();
    Session &session = workflows.session();
    const qsizetype recordingAt = raw.indexOf(QStringLiteral("--recording"));
    if (recordingAt > 0 && recordingAt + 1 < raw.size()) {
        QCoro::waitFor(
            workflows.document().importFile(QUrl::fromLocalFile(QFileInfo(raw[recordingAt + 1]).absoluteFilePath())));
        // The player and the waveform arrive from the audio layer.
        const QDeadlineTimer deadline(10000);
        while ((!session.hasSourcePlayer() || session.waveform().isEmpty()) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (raw.contains(QStringLiteral("--busy"))) {
        session.setBusy(true);
        session.setStatus(QStringLiteral("Gerando resumo…"));
    }
    if (raw.contains(QStringLiteral("--transcribing"))) {
        session.setBusy(true);
        session.setStatus(QStringLiteral("Transcrevendo · large-v3-turbo…"));
        session.setTranscriptionProgress(TranscriptionProgress{TranscriptionProgress::Stage::recognition, 0.42, 150});
    }

    ControllerView console(
        workflows, [&] { application.quit(); }, [&] { console.showMinimized(); },
        [&] { console.isMaximized() ? console.showNormal() : console.showMaximized(); });
    console.setWindowTitle(QStringLiteral("Telvora"));
    if (grabAt < 0) {
        console.resize(802 / 2, 1442 / 2);
        console.show();
        return application.exec();
    }
    if (grabAt + 1 >= raw.size()) {
        std::fputs("usage: telvora-console-preview [--grab <file.png>] [--scale <s>]\n", stderr);
        return 2;
    }
    const qsizetype scaleAt = raw.indexOf(QStringLiteral("--scale"));
    const qreal scale = scaleAt > 0 && scaleAt + 1 < raw.size() ? raw[scaleAt + 1].toDouble() : 1;
    console.resize(QSize(802, 1442) * scale);
    const qsizetype sizeAt = raw.indexOf(QStringLiteral("--size"));
    if (sizeAt > 0 && sizeAt + 1 < raw.size()) {
        const QStringList size = raw[sizeAt + 1].split(QLatin1Char('x'));
        console.resize(size.value(0).toInt(), size.value(1).toInt());
    }
    console.show();
    QCoreApplication::processEvents();
    if (!console.grab().save(raw[grabAt + 1], "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(raw[grabAt + 1]));
        return 1;
    }
    return 0;
}

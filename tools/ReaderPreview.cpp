// Shows the reader following a recording, for working on its look: opens a transcript (a
// JSON with its recording beside it), plays it from --at <seconds> and, with --grab
// <file.png>, renders the reader at --size <w>x<h> once the mark is on the spoken paragraph.
//   telvora-reader-preview --file <transcript.json> [--at <seconds>] [--size 760x620]
//                          [--grab docs/reader-following.png]
#include "Telvora/Document/DocumentFonts.h"
#include "Telvora/Interface/Reader/ReaderView.h"
#include "Telvora/Interface/Reader/TranscriptFollower.h"
#include "TelvoraCore/Support/ResourceBundle.h"
#include "tools/PreviewWorkflows.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileInfo>

#include <cstdio>

namespace {

QString valueAfter(const QStringList &arguments, const QString &option, const QString &fallback = {})
{
    const qsizetype at = arguments.indexOf(option);
    return at > 0 && at + 1 < arguments.size() ? arguments[at + 1] : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    using namespace telvora;
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString file = valueAfter(arguments, QStringLiteral("--file"));
    if (file.isEmpty()) {
        std::fputs("usage: telvora-reader-preview --file <transcript.json> [--at <s>] [--size <w>x<h>] "
                   "[--grab <file.png>]\n",
                   stderr);
        return 2;
    }
    DocumentFonts::install(AppResources::bundle());

    tools::PreviewWorkflows preview;
    Workflows &workflows = preview.workflows;
    ReaderView reader(workflows);
    reader.setWindowTitle(QStringLiteral("Original"));
    const QStringList size = valueAfter(arguments, QStringLiteral("--size"), QStringLiteral("760x620")).split(u'x');
    reader.resize(size.value(0).toInt(), size.value(1).toInt());
    reader.show();
    QCoro::waitFor(workflows.document().importFile(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath())));
    workflows.playback().playSourceFrom(valueAfter(arguments, QStringLiteral("--at"), QStringLiteral("0")).toDouble());

    const QString grab = valueAfter(arguments, QStringLiteral("--grab"));
    if (grab.isEmpty())
        return application.exec();
    const QDeadlineTimer deadline(5000);
    while (!reader.follower()->markedSegment() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    if (!reader.grab().save(grab, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(grab));
        return 1;
    }
    workflows.shutDown();
    return 0;
}

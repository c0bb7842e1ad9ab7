// How fast the program opens: from the process's start (as the kernel recorded it) to the
// console's first paint, and the resident memory once both windows show the example.
// Run offscreen: QT_QPA_PLATFORM=offscreen build/bin/StartupBench
#include "Telvora/Document/DocumentFonts.h"
#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Localization/QtTranslations.h"
#include "Telvora/Interface/QtUserPrompts.h"
#include "Telvora/Session/Credentials/SecretServiceBackend.h"
#include "Telvora/Shell/ApplicationDelegate.h"
#include "TelvoraCore/Support/ResourceBundle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <unistd.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

// Milliseconds since this process started, from /proc (field 22 of stat, in clock ticks).
double sinceProcessStart()
{
    QFile stat(u"/proc/self/stat"_s);
    stat.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = stat.readAll().split(' ');
    const double startSeconds = fields.value(21).toDouble() / double(::sysconf(_SC_CLK_TCK));
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return (double(now.tv_sec) + now.tv_nsec / 1e9 - startSeconds) * 1000.0;
}

double residentMegabytes()
{
    QFile status(u"/proc/self/status"_s);
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

class FirstPaint : public QObject
{
public:
    double at = -1;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && at < 0)
            at = sinceProcessStart();
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir folder;
    QApplication application(argc, argv);
    const double applicationReady = sinceProcessStart();
    ConsoleFonts::registerAll(AppResources::bundle());
    installQtTranslations(application);
    DocumentFonts::install(AppResources::bundle());

    QSettings settings(folder.filePath(u"settings.ini"_s), QSettings::IniFormat);
    SecretServiceBackend credentials;
    QtUserPrompts prompts;
    ApplicationDelegate delegate({u"telvora"_s},
                                 {settings, credentials, prompts, ProviderEndpoints::defaults(), [] { return false; }});
    FirstPaint firstPaint;
    application.installEventFilter(&firstPaint);
    delegate.didFinishLaunching();
    const double launched = sinceProcessStart();
    while (firstPaint.at < 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();

    std::printf("application object ready: %.1f ms\n", applicationReady);
    std::printf("windows built, example loaded: %.1f ms\n", launched);
    std::printf("first paint: %.1f ms\n", firstPaint.at);
    std::printf("resident memory with both windows: %.1f MB\n", residentMegabytes());
    return 0;
}

#include "Telvora/Shell/CommandLine/CommandLineMode.h"

#include "Telvora/Interface/Localization/QtTranslations.h"
#include "Telvora/Session/Credentials/EnvironmentCredentials.h"
#include "Telvora/Session/Credentials/SecretServiceBackend.h"
#include "Telvora/Session/Workflows.h"
#include "Telvora/Shell/CommandLine/BatchRun.h"
#include "Telvora/Shell/CommandLine/CommandLineHelp.h"
#include "Telvora/Shell/CommandLine/CommandLineTexts.h"
#include "Telvora/Shell/CommandLine/HeadlessPrompts.h"
#include "Telvora/Shell/TerminationSignal.h"
#include "Telvora/Transcription/TemporaryFolderOwner.h"

#include <QDir>
#include <QGuiApplication>
#include <QSettings>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora::CommandLineMode {

namespace {

const QStringList helpFlags{u"--help"_s, u"-h"_s};
constexpr int usageStatus = 2;

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

// Ctrl+C and a closed terminal end the run as the session's SIGTERM does: through the
// one handler, whose pipe the event loop reads. Only async-signal-safe calls here.
void relayToTermination(int) { ::kill(::getpid(), SIGTERM); }

void relayInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = relayToTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    // A reader that went away (`| head`) does not end the batch, whose results are files.
    ::signal(SIGPIPE, SIG_IGN);
}

// Qt's own diagnostics (a missing XDG_RUNTIME_DIR under cron, say) are for developers, in
// English; a script's reader gets only what this mode prints.
void quietQtMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

int usageError(const QString &message, const QString &command)
{
    print(stderr, message + u'\n' + CommandLineTexts::usageHint.toString().arg(command) + u'\n');
    return usageStatus;
}

} // namespace

bool isRequested(const QStringList &arguments)
{
    const QString first = arguments.value(1);
    return CommandLineRequest::commandNamed(first).has_value() || helpFlags.contains(first);
}

int run(int argc, char *argv[])
{
    const QStringList arguments = argumentList(argc, argv);
    // No window is ever shown: the documents' fonts need a GUI application, not a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietQtMessages);
    QGuiApplication application(argc, argv);
    QGuiApplication::setOrganizationName(u"Telvora"_s);
    QGuiApplication::setApplicationName(u"Telvora"_s);
    // Qt's own parser messages ("Opção desconhecida…") in Portuguese.
    installQtTranslations(application);

    if (helpFlags.contains(arguments.value(1))) {
        print(stdout, CommandLineHelp::general());
        return 0;
    }
    const QString command = arguments.value(1);
    CommandLineRequest request;
    try {
        request = CommandLineRequest::parse(arguments);
    } catch (const UsageError &error) {
        return usageError(error.message(), command);
    }
    if (request.help) {
        print(stdout, CommandLineHelp::forCommand(request.command));
        return 0;
    }
    if (!request.outputFolder.isEmpty() && !QDir().mkpath(request.outputFolder))
        return usageError(CommandLineTexts::outputFolderFailed.toString().arg(request.outputFolder), command);

    TemporaryFolderOwner::removeAbandoned();
    QSettings settings(u"Telvora"_s, u"Telvora"_s);
    SecretServiceBackend keyring;
    EnvironmentCredentials credentials(keyring);
    HeadlessPrompts prompts;
    Workflows workflows({settings, credentials, prompts, ProviderEndpoints::fromEnvironment()});

    // With --json the standard output carries only the results; people read the rest.
    FILE *human = request.json ? stderr : stdout;
    const std::unique_ptr<ProgressOutput> output = ProgressOutput::forStream(human);
    BatchRun batch(request, workflows, *output, request.json ? stdout : nullptr);
    try {
        batch.prepare();
    } catch (const UsageError &error) {
        return usageError(error.message(), command);
    }

    const CancellationToken token;
    TerminationSignal termination;
    QObject::connect(&termination, &TerminationSignal::received, &application, [token] { token.cancel(); });
    relayInterrupts();
    QTimer::singleShot(0, &application, [&] {
        QCoro::connect(batch.run(token), &application, [](int status) { QCoreApplication::exit(status); });
    });
    return QGuiApplication::exec();
}

} // namespace telvora::CommandLineMode

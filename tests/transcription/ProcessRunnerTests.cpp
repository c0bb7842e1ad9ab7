#include "Telvora/Transcription/ProcessRunner.h"
#include "TelvoraCore/Errors/Error.h"
#include "tests/support/RunTask.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class ProcessRunnerTest : public ::testing::Test
{
protected:
    // An executable shell script in the test's folder.
    QString script(const QString &name, const QByteArray &body)
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body);
        file.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QString marker(const QString &name) const { return folder.filePath(name); }

    // A script named after the table case it runs for.
    QString caseScript(const char *caseName, const QByteArray &body)
    {
        return script(QString::fromLatin1(caseName).replace(u' ', u'-'), body);
    }

    // Cancels `token` once the child has left its "started" marker, polling from the event loop.
    void cancelOnceStarted(QTimer &poll, CancellationToken &token) const
    {
        QObject::connect(&poll, &QTimer::timeout, [this, &token] {
            if (QFile::exists(marker(u"started"_s)))
                token.cancel();
        });
        poll.start(20);
    }

    QTemporaryDir folder;
};

// The highest resident memory of this process so far, from the kernel's own count.
qint64 peakResidentBytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

pid_t pidIn(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toInt()) : 0;
}

// Gone, or a zombie that nobody reaps: the helper's new parent may be a container's init.
bool hasEnded(pid_t pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype afterName = line.lastIndexOf(')');
    return afterName < 0 || line.mid(afterName + 2, 1) == "Z";
}

QString run(const QString &executable, std::optional<ProcessRunner::Environment> environment = std::nullopt,
            CancellationToken token = {})
{
    return runTask(ProcessRunner::run(executable, {}, std::move(environment), token));
}

// The message of the failure `executable` ends with.
QString failureOf(const QString &executable)
{
    try {
        run(executable);
        ADD_FAILURE() << "no error";
    } catch (const TelvoraError &error) {
        return error.message();
    }
    return {};
}

} // namespace

TEST_F(ProcessRunnerTest, ReturnsStandardErrorOfASuccessfulChild)
{
    EXPECT_EQ(run(script(u"warn"_s, "printf 'aviso\\n' >&2\n")), u"aviso\n"_s);
}

TEST_F(ProcessRunnerTest, InterleavesBothStreamsAsWritten)
{
    EXPECT_EQ(run(script(u"both"_s, "echo um; echo dois >&2; echo três\n")), u"um\ndois\ntrês\n"_s);
}

TEST_F(ProcessRunnerTest, PassesArgumentsWithoutAShell)
{
    const QString printer = script(u"args"_s, "for a in \"$@\"; do printf '[%s]' \"$a\"; done\n");
    const QString output = runTask(ProcessRunner::run(printer, {u"a b"_s, u"$HOME"_s, u"*"_s}, std::nullopt, {}));
    EXPECT_EQ(output, u"[a b][$HOME][*]"_s);
}

TEST_F(ProcessRunnerTest, ReadsUntilEveryWriterClosedThePipe)
{
    // A background child keeps the pipe open after its parent exited.
    EXPECT_EQ(run(script(u"late"_s, "(sleep 0.3; echo tarde) &\necho cedo\n")), u"cedo\ntarde\n"_s);
}

TEST_F(ProcessRunnerTest, GivenEnvironmentIsExactPlusUnbufferedPython)
{
    // env itself, not a shell, which would add variables of its own.
    const QString output = run(u"/usr/bin/env"_s, ProcessRunner::Environment{{u"LANG"_s, u"C"_s}});
    QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    EXPECT_EQ(lines, (QStringList{u"LANG=C"_s, u"PYTHONUNBUFFERED=1"_s}));
}

TEST_F(ProcessRunnerTest, DefaultEnvironmentPutsTheUsualFoldersFirstInPath)
{
    qputenv("TELVORA_RUNNER_PROBE", "visível");
    const QString output = run(script(u"path"_s, "echo \"$PATH|$PYTHONUNBUFFERED|$TELVORA_RUNNER_PROBE\"\n"));
    qunsetenv("TELVORA_RUNNER_PROBE");
    EXPECT_EQ(output,
              u"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:"_s + qEnvironmentVariable("PATH") + u"|1|visível\n"_s);
}

TEST_F(ProcessRunnerTest, FailedExitShowsItsOutputAfterTheLineBreak)
{
    const struct
    {
        const char *name;
        QByteArray body;
        QString message;
    } cases[]{
        {"short output shown whole", "printf 'modelo ausente\\n'; exit 3\n",
         u"A engine de transcrição não concluiu:\nmodelo ausente\n"_s},
        {"output that is not UTF-8 shows nothing", "printf 'abc\\377\\376'; exit 1\n",
         u"A engine de transcrição não concluiu:\n"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(failureOf(caseScript(c.name, c.body)), c.message);
    }
}

TEST_F(ProcessRunnerTest, ChildEndedByASignalIsToldWithItsSignal)
{
    const struct
    {
        const char *name;
        QByteArray body;
        QString message;
    } cases[]{
        {"output, then the signal", "echo antes; kill -KILL $$\n",
         u"A engine de transcrição não concluiu:\nantes\nO processo da engine foi encerrado pelo sinal 9 (SIGKILL)."_s},
        {"no output", "kill -TERM $$\n",
         u"A engine de transcrição não concluiu:\nO processo da engine foi encerrado pelo sinal 15 (SIGTERM)."_s},
        {"a last line without its break", "printf fim; kill -SEGV $$\n",
         u"A engine de transcrição não concluiu:\nfim\nO processo da engine foi encerrado pelo sinal 11 (SIGSEGV)."_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(failureOf(caseScript(c.name, c.body)), c.message);
    }
}

TEST_F(ProcessRunnerTest, EndlessOutputIsHeldAsItsTailOnly)
{
    // 300 MB with and without line breaks; the run may hold a small part of it at any time.
    const struct
    {
        const char *name;
        QByteArray body;
        QString tail;
    } cases[]{
        {"lines", "yes 'linha de saída' | head -c 300000000; exit 3\n", u"linha de saída\n"_s.repeated(120)},
        {"one line", "head -c 300000000 /dev/zero | tr '\\0' x; exit 3\n", QString(1800, u'x')},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const qint64 peakBefore = peakResidentBytes();
        EXPECT_EQ(failureOf(caseScript(c.name, c.body)), u"A engine de transcrição não concluiu:\n"_s + c.tail);
        EXPECT_LT(peakResidentBytes() - peakBefore, 64 * 1024 * 1024);
    }
}

TEST_F(ProcessRunnerTest, TailCountsUserPerceivedCharacters)
{
    // 1801 characters, the first an "é" of two code points: only it is cut away.
    const QString output = u"e\u0301"_s + QString(1800, u'x');
    EXPECT_EQ(ProcessRunner::failureMessage(output),
              u"A engine de transcrição não concluiu:\n"_s + QString(1800, u'x'));
    const QString accents = QString(u"e\u0301"_s).repeated(1800);
    EXPECT_EQ(ProcessRunner::failureMessage(u"x"_s + accents), u"A engine de transcrição não concluiu:\n"_s + accents);
}

TEST_F(ProcessRunnerTest, ProgramsThatCannotStartAreReported)
{
    const QString notExecutable = folder.filePath(u"plain"_s);
    QFile file(notExecutable);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    const struct
    {
        const char *name;
        QString executable;
    } cases[]{
        {"missing file", folder.filePath(u"absent"_s)},
        {"file without execute permission", notExecutable},
        {"folder", folder.path()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            run(c.executable);
            ADD_FAILURE() << "no error";
        } catch (const PlatformError &error) {
            EXPECT_TRUE(error.message().startsWith(c.executable + u": "_s)) << error.message().toStdString();
        }
    }
}

TEST_F(ProcessRunnerTest, CancelBeforeTheStartNeverStartsTheChild)
{
    const QString child = script(u"starts"_s, "touch '" + marker(u"started"_s).toUtf8() + "'\n");
    CancellationToken token;
    token.cancel();
    EXPECT_THROW(run(child, std::nullopt, token), Cancelled);
    QTest::qWait(100);
    EXPECT_FALSE(QFile::exists(marker(u"started"_s)));
}

TEST_F(ProcessRunnerTest, CancelWhileRunningInterruptsAndWinsOverASuccessfulExit)
{
    // The child catches SIGINT, notes it and exits 0: the run still ends as cancelled.
    const QString child = script(u"sleeper"_s,
                                 "trap \"touch '" + marker(u"interrupted"_s).toUtf8() + "'; exit 0\" INT\ntouch '"
                                     + marker(u"started"_s).toUtf8() + "'\nwhile :; do sleep 0.05; done\n");
    CancellationToken token;
    QTimer poll;
    cancelOnceStarted(poll, token);
    EXPECT_THROW(run(child, std::nullopt, token), Cancelled);
    EXPECT_TRUE(QFile::exists(marker(u"interrupted"_s)));
}

TEST_F(ProcessRunnerTest, InterruptReachesTheChildEvenWhenTheProgramIgnoresIt)
{
    // A program started in the background ignores SIGINT, and exec keeps ignored signals.
    const auto previous = std::signal(SIGINT, SIG_IGN);
    const QString child = script(u"default"_s, "touch '" + marker(u"started"_s).toUtf8() + "'\nexec sleep 30\n");
    CancellationToken token;
    QTimer poll;
    cancelOnceStarted(poll, token);
    EXPECT_THROW(run(child, std::nullopt, token), Cancelled);
    std::signal(SIGINT, previous);
}

TEST_F(ProcessRunnerTest, CancelEndsAWorkerWhoseHelperHoldsTheOutput)
{
    // A shell's background job ignores SIGINT: the helper outlives the worker and keeps
    // the pipe open.
    const QString child = script(u"forks"_s,
                                 "sleep 300 &\necho $! > '" + marker(u"helper"_s).toUtf8() + "'\ntouch '"
                                     + marker(u"started"_s).toUtf8() + "'\nwhile :; do sleep 0.05; done\n");
    CancellationToken token;
    QTimer poll;
    cancelOnceStarted(poll, token);
    EXPECT_THROW(run(child, std::nullopt, token), Cancelled);
    const pid_t helper = pidIn(marker(u"helper"_s));
    ASSERT_GT(helper, 0);
    EXPECT_TRUE(QTest::qWaitFor([helper] { return hasEnded(helper); }, 2000));
}

TEST_F(ProcessRunnerTest, AWorkerDeafToTheInterruptIsKilledAndTheRunEndsAsCancelled)
{
    const QString child = script(u"deaf"_s,
                                 "trap '' INT\necho $$ > '" + marker(u"worker"_s).toUtf8() + "'\ntouch '"
                                     + marker(u"started"_s).toUtf8() + "'\nwhile :; do sleep 0.05; done\n");
    CancellationToken token;
    QTimer poll;
    cancelOnceStarted(poll, token);
    EXPECT_THROW(run(child, std::nullopt, token), Cancelled);
    const pid_t worker = pidIn(marker(u"worker"_s));
    ASSERT_GT(worker, 0);
    // Killed with its group; the kernel may take a moment to finish it.
    EXPECT_TRUE(QTest::qWaitFor([worker] { return hasEnded(worker); }, 2000));
}

TEST_F(ProcessRunnerTest, TheEventLoopKeepsRunningWhileTheChildRuns)
{
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(20);
    run(script(u"slow"_s, "sleep 0.5\n"));
    EXPECT_GE(ticks, 5);
}

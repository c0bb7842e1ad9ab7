#pragma once

#include "tests/support/LoopbackServer.h"
#include "tests/support/QtPrinters.h"
#include "tests/transcription/FakeRuntime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace telvora::test {

/// Runs the built program in its command-line mode as a separate process, with its own
/// temporary, cache and settings folders, the providers on a loopback server and no keys
/// but those a test gives. The test's event loop runs while the program does, so the
/// server answers it.
class CommandLineFixture : public ::testing::Test
{
protected:
    struct Outcome
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        for (const char *name : {"tmp", "cache", "config", "data", "work"})
            ASSERT_TRUE(QDir().mkpath(folder.filePath(QString::fromLatin1(name))));
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), temporaryFolder());
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), folder.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("TELVORA_OPENAI_BASE_URL"), server.url().toString());
        environment.insert(QStringLiteral("TELVORA_ELEVENLABS_BASE_URL"), server.url().toString());
        environment.remove(QStringLiteral("TELVORA_OPENAI_API_KEY"));
        environment.remove(QStringLiteral("TELVORA_ELEVENLABS_API_KEY"));
    }

    static QString program()
    {
        return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("telvora"));
    }

    QString temporaryFolder() const { return folder.filePath(QStringLiteral("tmp")); }
    QString work(const QString &name) const { return folder.filePath(QStringLiteral("work/") + name); }

    /// The program with nothing of a desktop: no display, no session bus.
    void withoutDesktop()
    {
        for (const char *name : {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QString::fromLatin1(name));
    }

    /// The environment given, with the fake runtime a test made after SetUp.
    QProcessEnvironment processEnvironment() const
    {
        QProcessEnvironment given = environment;
        const QString runtime = QStringLiteral("TELVORA_TRANSCRIPTION_RUNTIME");
        if (qEnvironmentVariableIsSet(runtime.toLatin1().constData()))
            given.insert(runtime, qEnvironmentVariable(runtime.toLatin1().constData()));
        return given;
    }

    std::unique_ptr<QProcess> start(const QStringList &arguments) const
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(processEnvironment());
        process->setWorkingDirectory(folder.filePath(QStringLiteral("work")));
        process->start(program(), arguments);
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }

    // A generous guard so that a hung program fails the test instead of blocking the suite.
    static Outcome finish(QProcess &process, int milliseconds = 90000)
    {
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, milliseconds)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "telvora did not finish";
        }
        Outcome outcome;
        outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    }

    Outcome run(const QStringList &arguments)
    {
        const std::unique_ptr<QProcess> process = start(arguments);
        return finish(*process);
    }

    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        const QString path = work(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    /// Everything in the temporary folder: it must stay empty of our work folders.
    QStringList temporaryLeftovers() const
    {
        return QDir(temporaryFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir folder;
    LoopbackServer server;
    QProcessEnvironment environment;
};

} // namespace telvora::test

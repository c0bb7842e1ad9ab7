// "--verify-transcription" end to end: the real program, offscreen, with a fake runtime,
// relocated beside a copy of its bundles whose metadata names the capture folder.
#include "tests/support/FileTree.h"
#include "tests/transcription/FakeRuntime.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>

#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class TranscriptionCheckRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QDir built(QCoreApplication::applicationDirPath());
        m_program = m_dir.filePath(u"telvora"_s);
        ASSERT_TRUE(QFile::copy(built.filePath(u"telvora"_s), m_program));
        QFile::setPermissions(m_program, QFile::permissions(built.filePath(u"telvora"_s)));
        for (const QString &bundle : {u"Telvora_Telvora.bundle"_s, u"Telvora_TelvoraCore.bundle"_s})
            copyTree(built.filePath(bundle), m_dir.filePath(bundle));
        QFile info(m_dir.filePath(u"Telvora_Telvora.bundle/Info.json"_s));
        ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
        info.write(QJsonDocument(QJsonObject{{u"TelvoraCapturePath"_s, captures()}}).toJson());
    }

    QString captures() const { return m_dir.filePath(u"capturas"_s); }

    // `whileRunning` acts on the running program before the check ends.
    QJsonObject check(const QStringList &arguments, const std::function<void(QProcess &)> &whileRunning = {})
    {
        QProcess telvora;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        environment.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"config"_s));
        telvora.setProcessEnvironment(environment);
        telvora.start(m_program, arguments + QStringList{u"--verify-transcription"_s});
        if (whileRunning)
            whileRunning(telvora);
        EXPECT_TRUE(telvora.waitForFinished(60000)) << "the check did not quit";
        EXPECT_EQ(telvora.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(telvora.exitCode(), 0);
        QFile file(QDir(captures()).filePath(u"transcription-check.json"_s));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        // Sorted keys, in this order.
        EXPECT_LT(bytes.indexOf("\"error\""), bytes.indexOf("\"provider_calls\""));
        EXPECT_LT(bytes.indexOf("\"status\""), bytes.indexOf("\"text\""));
        return QJsonDocument::fromJson(bytes).object();
    }

    QTemporaryDir m_dir;
    QString m_program;
};

TEST_F(TranscriptionCheckRun, ARecordingIsTranscribedAndRecorded)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QString recording = m_dir.filePath(u"gravação.wav"_s);
    ASSERT_TRUE(writeWav(recording, 0.5));
    const QJsonObject result = check({u"--file"_s, recording});
    EXPECT_EQ(result.value(u"status"_s).toString(), u"Transcrito"_s);
    EXPECT_EQ(result.value(u"error"_s).toString(), QString());
    EXPECT_EQ(result.value(u"source"_s).toString(), u"gravação.wav"_s);
    EXPECT_EQ(result.value(u"speakers"_s).toInt(), 2);
    EXPECT_FALSE(result.value(u"text"_s).toString().isEmpty());
    EXPECT_EQ(result.value(u"provider_calls"_s), QJsonValue(false));
    // The check captures both windows before it writes its file.
    EXPECT_TRUE(QFile::exists(QDir(captures()).filePath(u"controller.png"_s)));
    EXPECT_TRUE(QFile::exists(QDir(captures()).filePath(u"reader.png"_s)));
}

TEST_F(TranscriptionCheckRun, LinksPlantedInTheCaptureFolderAreReplacedNotFollowed)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QString recording = m_dir.filePath(u"gravação.wav"_s);
    ASSERT_TRUE(writeWav(recording, 0.5));
    ASSERT_TRUE(QDir().mkpath(captures()));
    QTemporaryDir home;
    const QStringList names{u"transcription-check.json"_s, u"controller.png"_s, u"reader.png"_s};
    for (const QString &name : names) {
        const QString victim = QDir(home.path()).filePath(name + u".vitima"_s);
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("de outra pessoa");
        file.close();
        ASSERT_TRUE(QFile::link(victim, QDir(captures()).filePath(name)));
    }
    const QJsonObject result = check({u"--file"_s, recording});
    EXPECT_EQ(result.value(u"status"_s).toString(), u"Transcrito"_s);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        QFile victim(QDir(home.path()).filePath(name + u".vitima"_s));
        ASSERT_TRUE(victim.open(QIODevice::ReadOnly));
        EXPECT_EQ(victim.readAll(), "de outra pessoa");
        const QFileInfo written(QDir(captures()).filePath(name));
        EXPECT_FALSE(written.isSymLink());
        EXPECT_GT(written.size(), 0);
    }
}

TEST_F(TranscriptionCheckRun, TerminationSignalsDuringATranscriptionCancelItInsteadOfKillingTheProgram)
{
    const QString recording = m_dir.filePath(u"longa.wav"_s);
    ASSERT_TRUE(writeWav(recording, 0.5));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        FakeRuntime runtime(u"sleepUntilInterrupted"_s);
        const QJsonObject result = check({u"--file"_s, recording}, [&runtime, signal](QProcess &telvora) {
            for (int i = 0; i < 600 && !runtime.has(u"seen.json"_s); ++i)
                QThread::msleep(50);
            ASSERT_TRUE(runtime.has(u"seen.json"_s)) << "the worker never started";
            ::kill(pid_t(telvora.processId()), signal);
        });
        EXPECT_EQ(result.value(u"status"_s).toString(), u"Cancelado"_s);
        EXPECT_EQ(result.value(u"source"_s).toString(), u"longa.wav"_s);
    }
}

TEST_F(TranscriptionCheckRun, ATextSourceIsRecordedAsItIs)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QString notes = m_dir.filePath(u"notas.txt"_s);
    QFile file(notes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Notas da reunião.");
    file.close();
    const QJsonObject result = check({u"--file"_s, notes});
    EXPECT_EQ(result.value(u"source"_s).toString(), u"notas.txt"_s);
    EXPECT_EQ(result.value(u"text"_s).toString(), u"Notas da reunião."_s);
    EXPECT_EQ(result.value(u"speakers"_s).toInt(), 0);
    EXPECT_NE(result.value(u"status"_s).toString(), u"Transcrito"_s);
}

} // namespace

#include "Telvora/Transcription/LocalTranscriber.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Support/ResourceBundle.h"
#include "TelvoraCore/Transcript/Transcript.h"
#include "tests/support/RunTask.h"
#include "tests/transcription/FakeRuntime.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <csignal>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

const LocalTranscriptionOptions emptyOptions{u"small"_s, u"pt"_s, {}, false, 0, {}, {}, {}};

// Each test gets its own temporary folder (TMPDIR), so that leftovers can be counted.
class Transcriber : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previousTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toUtf8());
        recording = inputs.filePath(u"fala.wav"_s);
        ASSERT_TRUE(writeWav(recording, 0.5));
    }
    void TearDown() override { qputenv("TMPDIR", m_previousTemp); }

    QByteArray transcribe(const LocalTranscriptionOptions &options = emptyOptions, CancellationToken token = {})
    {
        return runTask(LocalTranscriber::transcribe(recording, options, token));
    }
    QStringList leftovers() const { return workFolders(temp.path()); }

    QTemporaryDir temp;
    QTemporaryDir inputs;
    QString recording;

private:
    QByteArray m_previousTemp;
};

} // namespace

TEST_F(Transcriber, ReturnsTheTranscriptTheWorkerWrote)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QByteArray bytes = transcribe();
    const Transcript::Decoded decoded = Transcript::decode(bytes, false);
    EXPECT_EQ(decoded.speakers, 2);
    EXPECT_EQ(decoded.text, u"Ana: Ola\u0301.\n\nBruno: Tudo bem?"_s);
    // Half a second at 16 kHz, as 32-bit floats.
    EXPECT_EQ(runtime.seen().value(u"audioBytes"_s).toInteger(), 8000 * 4);
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(Transcriber, GivesTheWorkerItsCommandLineExactEnvironmentAndCompactRequest)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    transcribe();
    const QJsonObject seen = runtime.seen();

    const QStringList arguments = seen.value(u"arguments"_s).toVariant().toStringList();
    ASSERT_EQ(arguments.size(), 4);
    const QString workFolder = QFileInfo(arguments.at(3)).absolutePath();
    EXPECT_EQ(QFileInfo(workFolder).absolutePath(), temp.path());
    EXPECT_TRUE(QRegularExpression(u"^telvora-transcription-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"_s)
                    .match(QFileInfo(workFolder).fileName())
                    .hasMatch())
        << workFolder.toStdString();
    const QString worker = QDir(*AppResources::bundle().resource(u"TranscriptionRuntime"_s)).filePath(u"worker.py"_s);
    EXPECT_EQ(arguments, (QStringList{u"-I"_s, u"-B"_s, worker, workFolder + u"/request.json"_s}));

    const QVariantMap environment = seen.value(u"environment"_s).toObject().toVariantMap();
    EXPECT_EQ(environment,
              (QVariantMap{{u"HOME"_s, QDir::homePath()},
                           {u"TMPDIR"_s, temp.path()},
                           {u"PATH"_s, u"/usr/bin:/bin"_s},
                           {u"LANG"_s, u"en_US.UTF-8"_s},
                           {u"PYTHONUNBUFFERED"_s, u"1"_s}}));

    EXPECT_EQ(seen.value(u"request"_s).toString(),
              u"{\"audio\":\"%1/audio.f32\",\"output\":\"%1/transcript.json\",\"options\":{\"model\":\"small\","
              u"\"language\":\"pt\",\"vocabulary\":\"\",\"diarization\":false,\"speakerCount\":0,\"speakerNames\":\"\","
              u"\"segmentationModel\":\"\",\"embeddingModel\":\"\"}}"_s.arg(workFolder));
}

TEST_F(Transcriber, RequestCarriesTheOptionsAsGiven)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const LocalTranscriptionOptions options{u"large-v3-turbo"_s, u"en"_s,          u"Telvora, \"ONNX\""_s, true, 3,
                                            u"Ana, Bruno"_s,     u"/m/seg.onnx"_s, u"/m/emb.onnx"_s};
    transcribe(options);
    const QJsonObject request =
        QJsonDocument::fromJson(runtime.seen().value(u"request"_s).toString().toUtf8()).object();
    EXPECT_EQ(LocalTranscriptionOptions::fromJson(request.value(u"options"_s).toObject()), options);
}

TEST_F(Transcriber, RefusesBeforeTouchingTheDisk)
{
    const QString engineMissing =
        u"A engine local de transcrição não está instalada. Instale-a com telvora-install-engine."_s;
    const QString optionsMissing = u"Informe o modelo Whisper e o idioma nas opções de transcrição."_s;
    const struct
    {
        const char *name;
        QString model;
        QString language;
        std::function<void(const FakeRuntime &)> shapeRuntime;
        QString expected;
    } cases[]{
        {"model of only spaces", u"  \t"_s, u"pt"_s, {}, optionsMissing},
        {"language of line ends", u"small"_s, u"\n\r\n"_s, {}, optionsMissing},
        {"options checked before the engine", u""_s, u"pt"_s,
         [](const FakeRuntime &r) { QFile::remove(r.interpreter()); }, optionsMissing},
        {"interpreter missing", u"small"_s, u"pt"_s, [](const FakeRuntime &r) { QFile::remove(r.interpreter()); },
         engineMissing},
        {"interpreter not executable", u"small"_s, u"pt"_s,
         [](const FakeRuntime &r) { QFile::setPermissions(r.interpreter(), QFile::ReadOwner | QFile::WriteOwner); },
         engineMissing},
        {"interpreter is a folder", u"small"_s, u"pt"_s,
         [](const FakeRuntime &r) {
             QFile::remove(r.interpreter());
             QDir().mkpath(r.interpreter());
         },
         engineMissing},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeRuntime runtime(u"twoSpeakers"_s);
        if (c.shapeRuntime)
            c.shapeRuntime(runtime);
        LocalTranscriptionOptions options = emptyOptions;
        options.model = c.model;
        options.language = c.language;
        try {
            transcribe(options);
            ADD_FAILURE() << "no error";
        } catch (const TelvoraError &error) {
            EXPECT_EQ(error.message(), c.expected);
        }
        EXPECT_TRUE(leftovers().isEmpty());
        EXPECT_FALSE(runtime.has(u"seen.json"_s));
    }
}

TEST_F(Transcriber, RuntimeLocation)
{
    qunsetenv("TELVORA_TRANSCRIPTION_RUNTIME");
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/srv/dados");
    EXPECT_EQ(LocalTranscriber::runtime(), u"/srv/dados/telvora/TranscriptionRuntime"_s);
    qputenv("XDG_DATA_HOME", "relativo");
    EXPECT_EQ(LocalTranscriber::runtime(), QDir::homePath() + u"/.local/share/telvora/TranscriptionRuntime"_s);
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(LocalTranscriber::runtime(), QDir::homePath() + u"/.local/share/telvora/TranscriptionRuntime"_s);
    qputenv("TELVORA_TRANSCRIPTION_RUNTIME", "/opt/engine/");
    EXPECT_EQ(LocalTranscriber::runtime(), u"/opt/engine"_s);
    qunsetenv("TELVORA_TRANSCRIPTION_RUNTIME");
    qputenv("XDG_DATA_HOME", previous);
}

TEST_F(Transcriber, InterpreterIsPython313ElsePython3)
{
    const QString python313 = u"bin/python3.13"_s;
    const QString python3 = u"bin/python3"_s;
    const struct
    {
        const char *name;
        QStringList present;
        QStringList notExecutable;
        QString expected; // empty: none, the engine is missing
    } cases[]{
        {"a runtime of Python 3.13", {python313}, {}, python313},
        {"a virtual environment of Debian's Python 3.11", {python3}, {}, python3},
        {"both: the versioned name first", {python3, python313}, {}, python313},
        {"python3.13 not executable", {python313, python3}, {python313}, python3},
        {"neither executable", {python313, python3}, {python313, python3}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeRuntime runtime(u"twoSpeakers"_s, c.present.first());
        for (const QString &name : c.present.sliced(1))
            runtime.addInterpreter(name);
        for (const QString &name : c.notExecutable)
            QFile::setPermissions(QDir(runtime.path()).filePath(name), QFile::ReadOwner | QFile::WriteOwner);
        if (c.expected.isEmpty()) {
            EXPECT_EQ(LocalTranscriber::interpreter(), std::nullopt);
            EXPECT_FALSE(LocalTranscriber::isAvailable());
        } else {
            EXPECT_EQ(LocalTranscriber::interpreter(), QDir(runtime.path()).filePath(c.expected));
            EXPECT_TRUE(LocalTranscriber::isAvailable());
        }
    }
}

TEST_F(Transcriber, RuntimeWithOnlyPython3Transcribes)
{
    FakeRuntime runtime(u"twoSpeakers"_s, u"bin/python3"_s);
    EXPECT_EQ(Transcript::decode(transcribe(), false).speakers, 2);
    EXPECT_TRUE(runtime.has(u"seen.json"_s));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(Transcriber, WorkerThatWritesNoTranscriptIsAFileErrorAndTheWorkFolderGoes)
{
    FakeRuntime runtime(u"noTranscript"_s);
    try {
        transcribe();
        FAIL() << "no error";
    } catch (const FileError &error) {
        EXPECT_TRUE(error.message().startsWith(u"O arquivo "_s)) << error.message().toStdString();
        EXPECT_TRUE(error.message().endsWith(u"/transcript.json não foi encontrado."_s))
            << error.message().toStdString();
    }
    EXPECT_TRUE(runtime.has(u"seen.json"_s));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(Transcriber, FailedWorkerShowsTheLast1800CharactersOfItsOutput)
{
    FakeRuntime runtime(u"failLoudly"_s);
    try {
        transcribe();
        FAIL() << "no error";
    } catch (const TelvoraError &error) {
        EXPECT_EQ(error.message(), u"A engine de transcrição não concluiu:\n"_s + fakeFailureOutput(1800));
    }
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(Transcriber, SourceThatDoesNotDecodeFailsAndLeavesNothing)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    QFile text(recording);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly | QIODevice::Truncate));
    text.write("apenas texto, não áudio");
    text.close();
    EXPECT_THROW(transcribe(), Error);
    EXPECT_FALSE(runtime.has(u"seen.json"_s));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(Transcriber, CancelInterruptsTheWorkerAndRemovesTheWorkFolder)
{
    for (const bool programIgnoresInterrupts : {false, true}) {
        SCOPED_TRACE(programIgnoresInterrupts ? "SIGINT ignored by the program" : "default SIGINT");
        const auto previous = std::signal(SIGINT, programIgnoresInterrupts ? SIG_IGN : SIG_DFL);
        FakeRuntime runtime(u"sleepUntilInterrupted"_s);
        CancellationToken token;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (runtime.has(u"started"_s))
                token.cancel();
        });
        poll.start(20);
        EXPECT_THROW(transcribe(emptyOptions, token), Cancelled);
        std::signal(SIGINT, previous);
        EXPECT_TRUE(runtime.has(u"interrupted"_s));
        EXPECT_TRUE(leftovers().isEmpty());
    }
}

TEST_F(Transcriber, CancelledBeforeTheWorkerStartsItNeverRuns)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    CancellationToken token;
    token.cancel();
    EXPECT_THROW(transcribe(emptyOptions, token), Cancelled);
    EXPECT_FALSE(runtime.has(u"seen.json"_s));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(Transcriber, ProgressArrivesInOrderAndStaysOutOfTheFailureMessage)
{
    FakeRuntime runtime(u"progressThenFail"_s);
    using Stage = TranscriptionProgress::Stage;
    QList<TranscriptionProgress> received;
    bool onItsThread = true;
    const auto record = [&](const TranscriptionProgress &progress) {
        onItsThread = onItsThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        received.append(progress);
    };
    try {
        runTask(LocalTranscriber::transcribe(recording, emptyOptions, {}, record));
        ADD_FAILURE() << "no error";
    } catch (const TelvoraError &error) {
        EXPECT_EQ(error.message(),
                  u"A engine de transcrição não concluiu:\nMemória insuficiente para o modelo large-v3-turbo.\n"_s);
    }
    // The recording's own decoding first, from its start to its end.
    ASSERT_GE(received.size(), 2);
    EXPECT_EQ(received.first(), (TranscriptionProgress{Stage::decoding, 0, std::nullopt}));
    const qsizetype decoded = received.indexOf(TranscriptionProgress{Stage::decoding, 1, std::nullopt});
    ASSERT_GE(decoded, 1);
    for (qsizetype i = 1; i <= decoded; ++i) {
        EXPECT_EQ(received[i].stage, Stage::decoding);
        EXPECT_GT(received[i].fraction, received[i - 1].fraction);
    }
    const QList<TranscriptionProgress> fromWorker{
        {Stage::loading, 0, std::nullopt},        {Stage::loading, 1, std::nullopt},
        {Stage::recognition, 0, std::nullopt},    {Stage::recognition, 0.1, std::nullopt},
        {Stage::recognition, 0.25, std::nullopt}, {Stage::recognition, 0.3, std::nullopt},
    };
    EXPECT_EQ(received.sliced(decoded + 1), fromWorker);
    EXPECT_TRUE(onItsThread);
    EXPECT_TRUE(leftovers().isEmpty());
}

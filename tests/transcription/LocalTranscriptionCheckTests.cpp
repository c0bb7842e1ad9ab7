#include "tests/support/SmallFileSystem.h"
#include "tests/transcription/FakeRuntime.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString engineMissing =
    u"A engine local de transcrição não está instalada. Instale-a com telvora-install-engine.\n"_s;

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the built program with a private temporary folder and, when given, a runtime.
class LocalCheck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        audio = work.filePath(u"rec.wav"_s);
        output = work.filePath(u"out.json"_s);
        ASSERT_TRUE(writeWav(audio, 0.5));
    }

    void start(QProcess &process, const QStringList &arguments, const FakeRuntime *runtime)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TMPDIR"_s, temp.path());
        environment.insert(u"TELVORA_TRANSCRIPTION_RUNTIME"_s,
                           runtime ? runtime->path() : work.filePath(u"nenhuma-engine"_s));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(work.path());
        process.start(QDir(QCoreApplication::applicationDirPath()).filePath(u"telvora"_s), arguments);
    }

    // `whileRunning` acts on the running program before it ends.
    Outcome run(const QStringList &arguments, const FakeRuntime *runtime,
                const std::function<void(QProcess &)> &whileRunning = {})
    {
        QProcess process;
        start(process, arguments, runtime);
        if (whileRunning)
            whileRunning(process);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "telvora did not finish";
            return {};
        }
        EXPECT_TRUE(workFolders(temp.path()).isEmpty());
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<ausente>");
    }
    void writeOutput(const QByteArray &bytes) const
    {
        QFile file(output);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir work;
    QTemporaryDir temp;
    QString audio;
    QString output;
};

bool waitForFile(const FakeRuntime &runtime, const QString &name)
{
    for (int i = 0; i < 600 && !runtime.has(name); ++i)
        QThread::msleep(50);
    return runtime.has(name);
}

// Gone, or a zombie that nobody reaps: an orphan's new parent may be a container's init.
bool hasEnded(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

const QStringList checkArguments{u"--verify-local-transcription"_s, u"rec.wav"_s, u"out.json"_s, u"large-v3-turbo"_s};

} // namespace

TEST_F(LocalCheck, WritesTheTranscriptAndCountsUserPerceivedCharacters)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    // An older, longer file is replaced whole.
    writeOutput(QByteArray(10000, 'x'));
    const Outcome outcome = run(checkArguments, &runtime);

    // "[00:00:00 - 00:00:01] Ana: Olá.\n\n[00:00:01 - 00:00:03] Bruno: Tudo bem?" has 71
    // user-perceived characters, 72 UTF-16 units and more bytes.
    EXPECT_EQ(outcome.out, u"Transcrição integrada concluída: 2 falante(s), 71 caracteres; modelo large-v3-turbo.\n"_s);
    EXPECT_EQ(outcome.err, QString());
    EXPECT_EQ(outcome.exitCode, 0);
    const QJsonDocument written = QJsonDocument::fromJson(read(output));
    ASSERT_TRUE(written.isArray());
    EXPECT_EQ(written.array().size(), 2);
    EXPECT_EQ(written.array().at(0).toObject().value(u"texto"_s).toString(), u"Ola\u0301."_s);
}

TEST_F(LocalCheck, SendsTheCheckOptions)
{
    const struct
    {
        const char *name;
        QStringList arguments;
        bool diarization;
    } cases[]{
        {"speakers identified by default", checkArguments, true},
        {"--no-diarization before the flag", QStringList{u"--no-diarization"_s} + checkArguments, false},
        {"--no-diarization after the arguments", checkArguments + QStringList{u"--no-diarization"_s}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeRuntime runtime(u"twoSpeakers"_s);
        EXPECT_EQ(run(c.arguments, &runtime).exitCode, 0);
        const QJsonObject request =
            QJsonDocument::fromJson(runtime.seen().value(u"request"_s).toString().toUtf8()).object();
        EXPECT_EQ(request.value(u"audio"_s).toString().section(u'/', 0, -3), temp.path());
        const QJsonObject expected{
            {u"model"_s, u"large-v3-turbo"_s}, {u"language"_s, u"pt"_s},    {u"vocabulary"_s, u""_s},
            {u"diarization"_s, c.diarization}, {u"speakerCount"_s, 1},      {u"speakerNames"_s, u"Narrador"_s},
            {u"segmentationModel"_s, u""_s},   {u"embeddingModel"_s, u""_s}};
        EXPECT_EQ(request.value(u"options"_s).toObject(), expected);
    }
}

TEST_F(LocalCheck, FailuresPrintTheirDescriptionAndLeaveTheOutputAlone)
{
    const struct
    {
        const char *name;
        const char *behaviour; // none: no runtime at all
        QString expected;
    } cases[]{
        {"no runtime", nullptr, engineMissing},
        {"worker fails", "failLoudly", u"A engine de transcrição não concluiu:\n"_s + fakeFailureOutput(1800) + u'\n'},
        {"no speech", "empty", u"Nenhuma fala foi detectada no áudio.\n"_s},
    };
    for (const bool outputExists : {false, true}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (outputExists ? ", output present" : ", no output"));
            QFile::remove(output);
            if (outputExists)
                writeOutput("anterior");
            std::optional<FakeRuntime> runtime;
            if (c.behaviour)
                runtime.emplace(QString::fromLatin1(c.behaviour));
            const Outcome outcome = run(checkArguments, runtime ? &*runtime : nullptr);
            EXPECT_EQ(outcome.out, c.expected);
            EXPECT_EQ(outcome.exitCode, 1);
            EXPECT_EQ(read(output), outputExists ? QByteArray("anterior") : QByteArray("<ausente>"));
            EXPECT_EQ(QDir(work.path()).entryList(QDir::Files | QDir::Hidden).size(), outputExists ? 2 : 1);
        }
    }
}

TEST_F(LocalCheck, OutputThatCannotBeWrittenFails)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const Outcome outcome =
        run({u"--verify-local-transcription"_s, audio, work.filePath(u"falta/out.json"_s), u"small"_s}, &runtime);
    EXPECT_EQ(outcome.out,
              u"Não foi possível gravar "_s + work.filePath(u"falta/out.json"_s) + u": a pasta não existe.\n"_s);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_FALSE(QDir(work.filePath(u"falta"_s)).exists());
}

TEST_F(LocalCheck, TerminationSignalsCancelTheCheckAndRemoveItsFolder)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        writeOutput("anterior");
        const FakeRuntime runtime(u"sleepUntilInterrupted"_s);
        const Outcome outcome = run(checkArguments, &runtime, [&runtime, signal](QProcess &telvora) {
            ASSERT_TRUE(waitForFile(runtime, u"started"_s)) << "the worker never started";
            ::kill(pid_t(telvora.processId()), signal);
        });
        // run() checks that no work folder is left.
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.out, u"Cancelado\n"_s);
        EXPECT_EQ(read(output), "anterior");
    }
}

TEST_F(LocalCheck, NothingOfTheWorkerOutlivesTheProgramKilled)
{
    const FakeRuntime runtime(u"helperHoldsOutput"_s);
    QProcess telvora;
    start(telvora, checkArguments, &runtime);
    ASSERT_TRUE(waitForFile(runtime, u"started"_s)) << "the worker never started";
    QFile file(QDir(runtime.path()).filePath(u"pids"_s));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> pids = file.readAll().split(' ');
    ASSERT_EQ(pids.size(), 2);
    telvora.kill();
    ASSERT_TRUE(telvora.waitForFinished(10000));
    for (const QByteArray &pid : pids) {
        SCOPED_TRACE(pid.toStdString());
        bool ended = false;
        for (int i = 0; i < 100 && !ended; ++i) {
            ended = hasEnded(pid.toLongLong());
            if (!ended)
                QThread::msleep(20);
        }
        EXPECT_TRUE(ended);
    }
}

TEST_F(LocalCheck, AFullDiskFailsAndLeavesTheOldOutput)
{
    SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    const QString full = disk.filePath(u"out.json"_s);
    QFile old(full);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("anterior");
    old.close();
    ASSERT_TRUE(disk.fill());
    FakeRuntime runtime(u"twoSpeakers"_s);
    const Outcome outcome = run({u"--verify-local-transcription"_s, u"rec.wav"_s, full, u"tiny"_s}, &runtime);
    EXPECT_EQ(outcome.out, u"Não há espaço livre em disco para gravar "_s + full + u".\n"_s);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(read(full), "anterior");
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{u".filler"_s, u"out.json"_s}));
}

TEST_F(LocalCheck, ALinkPlantedAtTheOutputIsReplacedNotFollowed)
{
    QTemporaryDir elsewhere;
    const QString victim = QDir(elsewhere.path()).filePath(u"notas.txt"_s);
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("de outra pessoa");
    file.close();
    ASSERT_TRUE(QFile::link(victim, output));
    FakeRuntime runtime(u"twoSpeakers"_s);
    EXPECT_EQ(run(checkArguments, &runtime).exitCode, 0);
    EXPECT_EQ(read(victim), "de outra pessoa");
    EXPECT_FALSE(QFileInfo(output).isSymLink());
    EXPECT_TRUE(QJsonDocument::fromJson(read(output)).isArray());
}

TEST_F(LocalCheck, EveryFailureIsWordedInPortuguese)
{
    const QString folder = work.filePath(u"gravacoes"_s);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString text = work.filePath(u"notas.wav"_s);
    QFile notes(text);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write(QByteArray("não é áudio\n").repeated(50));
    notes.close();
    const QString cut = work.filePath(u"cortada.wav"_s);
    ASSERT_TRUE(writeWav(cut, 3));
    QFile cutFile(cut);
    ASSERT_TRUE(cutFile.resize(cutFile.size() / 3 + 1));
    const QString incomplete = u"No segmento de índice 0 da transcrição, a chave \"texto\" tem um caractere incompleto "
                               u"(metade de um par UTF-16).\n"_s;
    const struct
    {
        const char *name;
        QString audio;
        QByteArray transcript;
        QString expected;
    } cases[]{
        {"a folder as the recording", folder, {}, folder + u" é uma pasta, não um arquivo.\n"_s},
        {"text named as a recording",
         text,
         {},
         u"O arquivo "_s + text + u" não é uma gravação de áudio ou vídeo que o Telvora consiga ler.\n"_s},
        {"a recording cut short",
         cut,
         {},
         u"A gravação termina antes do previsto: o arquivo está incompleto ou foi cortado, e só parte dela pôde ser "
         u"lida.\n"_s},
        {"a transcript that is not JSON", audio, "[{\"locutor\": \"Ana\", ",
         u"JSON inválido (posição 20): um objeto não foi fechado.\n"_s},
        {"a lone high surrogate", audio, R"([{"locutor":"Ana","inicio":0,"fim":1,"texto":"Ol\ud800"}])", incomplete},
        {"a lone low surrogate", audio, R"([{"locutor":"Ana","inicio":0,"fim":1,"texto":"\udc00x"}])", incomplete},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeRuntime runtime(u"verbatim"_s);
        runtime.touch(u"transcript"_s, c.transcript);
        writeOutput("anterior");
        const Outcome outcome = run({u"--verify-local-transcription"_s, c.audio, u"out.json"_s, u"tiny"_s}, &runtime);
        EXPECT_EQ(outcome.out, c.expected);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(read(output), "anterior");
    }
}

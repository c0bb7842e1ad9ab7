#include "tests/shell/commandline/CommandLineFixture.h"

#include "TelvoraCore/Transcript/Subtitles.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class TranscribeCommand : public CommandLineFixture
{
protected:
    // Three recordings, the second of which is no audio at all.
    QStringList batch()
    {
        QStringList files;
        for (const QString &name : {u"a.wav"_s, u"b.wav"_s, u"c.wav"_s})
            files.append(writeFile(name, name == u"b.wav" ? QByteArray("isto não é áudio") : wavBytes(0.5)));
        return files;
    }

    // What the transcript JSON gives in each extra format, as the reader's export makes it.
    static QByteArray expected(const QByteArray &json, const QString &format)
    {
        const Transcript::Decoded transcript = Transcript::decode(json, true);
        if (format == u"srt")
            return Subtitles::subRip(Subtitles::cues(transcript.segments));
        if (format == u"vtt")
            return Subtitles::webVtt(Subtitles::cues(transcript.segments));
        return transcript.text.toUtf8();
    }
};

TEST_F(TranscribeCommand, ABrokenRecordingFailsAloneAndTheBatchGoesOn)
{
    // Transcription needs neither a display nor a session bus.
    withoutDesktop();
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QStringList files = batch();

    const Outcome outcome = run(
        QStringList{u"transcribe"_s, u"--model"_s, u"small"_s, u"-f"_s, u"txt,srt"_s, u"--format"_s, u"vtt"_s} + files);

    EXPECT_EQ(outcome.exitCode, 1) << outcome.out.toStdString();
    for (const QString &name : {u"a"_s, u"c"_s}) {
        const QByteArray json = readFile(work(name + u".json"_s));
        ASSERT_FALSE(json.isEmpty()) << name.toStdString();
        EXPECT_EQ(Transcript::decode(json, true).speakers, 2);
        for (const QString &format : {u"txt"_s, u"srt"_s, u"vtt"_s})
            EXPECT_EQ(readFile(work(name + u'.' + format)), expected(json, format)) << format.toStdString();
    }
    for (const QString &format : {u"json"_s, u"txt"_s, u"srt"_s, u"vtt"_s})
        EXPECT_FALSE(QFileInfo::exists(work(u"b."_s + format))) << format.toStdString();
    const QStringList lines = outcome.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(u"[1/3] a.wav: pronto → %1, %2, %3, %4"_s.arg(work(u"a.json"_s), work(u"a.txt"_s),
                                                                             work(u"a.srt"_s), work(u"a.vtt"_s))))
        << outcome.out.toStdString();
    EXPECT_TRUE(outcome.out.contains(u"[2/3] b.wav: erro: "_s)) << outcome.out.toStdString();
    EXPECT_TRUE(lines.contains(u"2 de 3 arquivo(s) concluído(s)."_s));
    EXPECT_TRUE(lines.contains(u"Falharam 1:"_s));
    EXPECT_TRUE(outcome.out.contains(u"  "_s + files[1] + u": "_s));
    EXPECT_EQ(temporaryLeftovers(), QStringList());
}

TEST_F(TranscribeCommand, JsonGivesOneResultPerFileAndTheReportGoesToStandardError)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QStringList files = batch();
    const QString results = folder.filePath(u"resultados/novos"_s);

    const Outcome outcome = run(QStringList{u"transcribe"_s, u"--json"_s, u"-o"_s, results} + files);

    EXPECT_EQ(outcome.exitCode, 1);
    const QStringList lines = outcome.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << outcome.out.toStdString();
    const QString expectedResults[]{u"pronto"_s, u"erro"_s, u"pronto"_s};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject line = QJsonDocument::fromJson(lines[i].toUtf8()).object();
        EXPECT_EQ(line[u"arquivo"_s].toString(), files[i]);
        EXPECT_EQ(line[u"resultado"_s].toString(), expectedResults[i]);
        const QString name = QFileInfo(files[i]).completeBaseName();
        const QJsonArray outputs = i == 1 ? QJsonArray() : QJsonArray{QDir(results).filePath(name + u".json"_s)};
        EXPECT_EQ(line[u"saidas"_s].toArray(), outputs);
        EXPECT_EQ(line.contains(u"erro"_s), i == 1);
    }
    EXPECT_FALSE(QJsonDocument::fromJson(lines[1].toUtf8()).object()[u"erro"_s].toString().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(QDir(results).filePath(u"a.json"_s)));
    EXPECT_FALSE(QFileInfo::exists(work(u"a.json"_s)));
    EXPECT_TRUE(outcome.err.contains(u"2 de 3 arquivo(s) concluído(s)."_s)) << outcome.err.toStdString();
}

TEST_F(TranscribeCommand, TwoRecordingsThatWouldWriteOneResultDoNotOverwriteEachOther)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QString first = writeFile(u"um/fala.wav"_s, wavBytes(0.5));
    const QString second = writeFile(u"dois/fala.mp3"_s, wavBytes(0.5));
    const QString results = folder.filePath(u"resultados"_s);

    const Outcome outcome = run({u"transcribe"_s, u"-o"_s, results, first, second});

    EXPECT_EQ(outcome.exitCode, 1);
    const QString result = QDir(results).filePath(u"fala.json"_s);
    const QStringList lines = outcome.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(u"[1/2] fala.wav: pronto → "_s + result)) << outcome.out.toStdString();
    EXPECT_TRUE(lines.contains(u"[2/2] fala.mp3: erro: Outro arquivo deste lote grava o mesmo resultado: "_s + result));
}

TEST_F(TranscribeCommand, AMissingFileOrAFolderFailsAlone)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QString recording = writeFile(u"a.wav"_s, wavBytes(0.5));
    QDir().mkpath(work(u"pasta.wav"_s));

    const Outcome outcome = run({u"transcribe"_s, work(u"sumiu.wav"_s), work(u"pasta.wav"_s), recording});

    EXPECT_EQ(outcome.exitCode, 1);
    const QStringList lines = outcome.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(u"[1/3] sumiu.wav: erro: Arquivo não encontrado."_s)) << outcome.out.toStdString();
    EXPECT_TRUE(lines.contains(u"[2/3] pasta.wav: erro: É uma pasta, não um arquivo."_s));
    EXPECT_TRUE(lines.contains(u"[3/3] a.wav: pronto → "_s + work(u"a.json"_s)));
}

TEST_F(TranscribeCommand, PipedOutputGetsOnePlainLinePerStep)
{
    FakeRuntime runtime(u"progress"_s);
    const QString file = writeFile(u"aula.wav"_s, wavBytes(0.5));

    const Outcome outcome = run({u"transcribe"_s, u"--model"_s, u"small"_s, file});

    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out,
              u"[1/1] aula.wav: Transcrevendo · small…\n"
              u"[1/1] aula.wav: Decodificando o áudio…\n"
              u"[1/1] aula.wav: Carregando o modelo…\n"
              u"[1/1] aula.wav: Reconhecendo a fala…\n"
              u"[1/1] aula.wav: Identificando os locutores…\n"
              u"[1/1] aula.wav: pronto → %1\n"
              u"1 de 1 arquivo(s) concluído(s).\n"_s.arg(work(u"aula.json"_s)));
}

TEST_F(TranscribeCommand, ATerminalGetsABarRedrawnInPlace)
{
    FakeRuntime runtime(u"progress"_s);
    const QString file = writeFile(u"aula.wav"_s, wavBytes(0.5));
    // script(1) gives the program a pseudo-terminal as its standard output.
    const QString command = program() + u" transcribe --model small "_s + file;

    QProcess process;
    process.setProcessEnvironment(processEnvironment());
    process.start(u"script"_s, {u"-qec"_s, command, u"/dev/null"_s});
    const Outcome outcome = finish(process);

    EXPECT_EQ(outcome.exitCode, 0) << outcome.out.toStdString();
    const QString bar = u"[1/1] aula.wav · Reconhecendo a fala… ██████████░░░░░░░░░░ 50\u00a0%\x1b[K"_s;
    EXPECT_TRUE(outcome.out.contains(u'\r' + bar)) << outcome.out.toStdString();
    EXPECT_TRUE(
        outcome.out.contains(u"\r[1/1] aula.wav · Identificando os locutores… ████████████████████ 100\u00a0%"_s));
    EXPECT_TRUE(outcome.out.contains(u"\r[1/1] aula.wav: pronto → "_s + work(u"aula.json"_s) + u"\x1b[K\r\n"_s));
    // Each step is redrawn over the same line, never printed on one of its own.
    EXPECT_FALSE(outcome.out.contains(u"\n[1/1] aula.wav · "_s));
}

TEST_F(TranscribeCommand, AnInterruptCancelsTheRunningRecordingAndSkipsTheRest)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        FakeRuntime runtime(u"firstOnly"_s);
        QStringList files;
        for (const QString &name : {u"a"_s, u"b"_s, u"c"_s}) {
            QFile::remove(work(name + u".json"_s));
            files.append(writeFile(name + u".wav"_s, wavBytes(0.5)));
        }

        const std::unique_ptr<QProcess> process = start(QStringList{u"transcribe"_s} + files);
        ASSERT_TRUE(QTest::qWaitFor([&] { return runtime.has(u"started"_s); }, 30000));
        ::kill(pid_t(process->processId()), signal);
        const Outcome outcome = finish(*process);

        EXPECT_EQ(outcome.exitCode, 130);
        EXPECT_TRUE(QFileInfo::exists(work(u"a.json"_s)));
        // The interrupted worker still wrote a transcript: it is not taken.
        EXPECT_TRUE(QTest::qWaitFor([&] { return runtime.has(u"interrupted"_s); }, 5000));
        EXPECT_FALSE(QFileInfo::exists(work(u"b.json"_s)));
        EXPECT_FALSE(QFileInfo::exists(work(u"c.json"_s)));
        EXPECT_EQ(temporaryLeftovers(), QStringList());
        const QStringList lines = outcome.out.split(u'\n', Qt::SkipEmptyParts);
        EXPECT_TRUE(lines.contains(u"[2/3] b.wav: cancelado"_s)) << outcome.out.toStdString();
        EXPECT_TRUE(lines.contains(u"1 de 3 arquivo(s) concluído(s)."_s));
        EXPECT_TRUE(lines.contains(u"Interrompido: nada parcial foi gravado; 1 arquivo(s) não iniciado(s)."_s));
    }
}

} // namespace

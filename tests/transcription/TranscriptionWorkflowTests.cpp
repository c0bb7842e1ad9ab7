#include "Telvora/Interface/Console/StatusLine.h"
#include "tests/session/workflows/WorkflowFixture.h"
#include "tests/support/RunTask.h"
#include "tests/transcription/FakeRuntime.h"

#include <QJsonDocument>

#include <iostream>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString transcribedWithTimecodes =
    u"[00:00:00 - 00:00:01] Ana: Ola\u0301.\n\n[00:00:01 - 00:00:03] Bruno: Tudo bem?"_s;
const QString editedMessage = u"O texto foi editado durante a transcrição. Suas alterações foram preservadas."_s;

class Transcribing : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        makeWorkflowSession();
    }

    // The fixture's own temporary folder, where the work folders go.
    static QString temp() { return QDir::tempPath(); }

    QUrl openRecording(const QString &name = u"entrevista.wav"_s)
    {
        const QString path = folder.filePath(name);
        EXPECT_TRUE(writeWav(path, 0.5));
        test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
        return QUrl::fromLocalFile(path);
    }

    // Waits for the fake worker to start, does `meanwhile`, then lets it finish.
    void whileTheWorkerRuns(const FakeRuntime &runtime, const std::function<void()> &meanwhile)
    {
        ASSERT_TRUE(QTest::qWaitFor([&runtime] { return runtime.has(u"started"_s); }, 10000));
        meanwhile();
        runtime.touch(u"go"_s);
    }
};

} // namespace

TEST_F(Transcribing, RecordingBecomesTheUnsavedSourceText)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    openRecording();
    session->setOutputText(u"documento anterior"_s);
    const int shownBefore = readerShown;
    session->setReaderShowsSource(false);
    workflows->transcription().transcribe();

    EXPECT_TRUE(session->busy());
    EXPECT_EQ(session->status(), u"Transcrevendo · large-v3-turbo…"_s);
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_EQ(session->sourceText(), transcribedWithTimecodes);
    EXPECT_EQ(session->detectedSpeakers(), 2);
    EXPECT_EQ(session->status(), u"Transcrito"_s);
    EXPECT_FALSE(session->errorMessage());
    EXPECT_TRUE(session->hasUnsavedChanges());
    EXPECT_TRUE(session->readerShowsSource());
    EXPECT_EQ(readerShown, shownBefore + 1);
    EXPECT_EQ(session->outputText(), u"documento anterior"_s);
    EXPECT_FALSE(session->busy());
    EXPECT_TRUE(workFolders(temp()).isEmpty());
}

TEST_F(Transcribing, SendsTheEightSettings)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const LocalTranscriptionOptions options{u"medium"_s, u"es"_s,         u"Telvora"_s,     false,
                                            2,           u"Ana, Bruno"_s, u"/m/seg.onnx"_s, u"/m/emb.onnx"_s};
    workflows->transcription().setOptions(options);
    openRecording();
    workflows->transcription().transcribe();
    EXPECT_EQ(session->status(), u"Transcrevendo · medium…"_s);
    ASSERT_TRUE(waitUntilIdle());
    const QJsonObject request =
        QJsonDocument::fromJson(runtime.seen().value(u"request"_s).toString().toUtf8()).object();
    EXPECT_EQ(LocalTranscriptionOptions::fromJson(request.value(u"options"_s).toObject()), options);
}

TEST_F(Transcribing, TimecodesAreTheOnesChosenAtTheStart)
{
    FakeRuntime runtime(u"waitForGo"_s);
    openRecording();
    session->setTimecodes(false);
    workflows->transcription().transcribe();
    whileTheWorkerRuns(runtime, [this] { session->setTimecodes(true); });
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->sourceText(), u"Ana: Ola\u0301.\n\nBruno: Tudo bem?"_s);
}

TEST_F(Transcribing, TextDocumentIsNeverTranscribed)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    test::runTask(
        workflows->document().importFile(QUrl::fromLocalFile(writeFile(u"notas.txt"_s, "Notas da reunião."))));
    workflows->transcription().transcribe();
    EXPECT_FALSE(session->busy());
    EXPECT_EQ(session->status(), u"Pronto"_s);
    EXPECT_FALSE(session->errorMessage());
    EXPECT_EQ(session->sourceText(), u"Notas da reunião."_s);
    QTest::qWait(200);
    EXPECT_FALSE(runtime.has(u"seen.json"_s));
}

TEST_F(Transcribing, RefusalsChangeNothing)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    workflows->transcription().transcribe(); // nothing opened
    EXPECT_FALSE(session->busy());
    EXPECT_EQ(session->status(), u"Pronto"_s);

    openRecording();
    session->setBusy(true);
    workflows->transcription().transcribe();
    EXPECT_EQ(session->status(), u"Áudio aberto"_s);
    QTest::qWait(200);
    EXPECT_FALSE(runtime.has(u"started"_s)) << "no worker runs while another job is busy";
}

TEST_F(Transcribing, MissingEngineOnlySetsTheMessage)
{
    qputenv("TELVORA_TRANSCRIPTION_RUNTIME", folder.filePath(u"sem-engine"_s).toUtf8());
    openRecording();
    workflows->transcription().transcribe();
    qunsetenv("TELVORA_TRANSCRIPTION_RUNTIME");
    EXPECT_FALSE(session->busy());
    EXPECT_EQ(session->status(), u"Áudio aberto"_s);
    EXPECT_EQ(session->errorMessage(),
              u"A engine local de transcrição não está instalada. Instale-a com telvora-install-engine."_s);
}

TEST_F(Transcribing, ResultIsDroppedWhenTheSourceChangedMeanwhile)
{
    const struct
    {
        const char *name;
        std::function<void()> meanwhile;
        QString textAfter;
    } cases[]{
        {"another recording opened", [this] { openRecording(u"outra.wav"_s); }, QString()},
        {"typing into the empty source", [this] { session->setSourceText(u"Minha nota"_s); }, u"Minha nota"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeRuntime runtime(u"waitForGo"_s);
        makeWorkflowSession();
        openRecording();
        workflows->transcription().transcribe();
        whileTheWorkerRuns(runtime, c.meanwhile);
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_EQ(session->status(), u"Erro"_s);
        EXPECT_EQ(session->errorMessage(), editedMessage);
        EXPECT_EQ(session->sourceText(), c.textAfter);
        EXPECT_EQ(session->detectedSpeakers(), 0);
    }
}

TEST_F(Transcribing, RecordingWithTextIsTranscribedAgain)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    openRecording();
    session->setSourceText(u"rascunho"_s);
    workflows->transcription().transcribe();
    ASSERT_TRUE(session->busy());
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->sourceText(), transcribedWithTimecodes);
}

TEST_F(Transcribing, EmptyTranscriptIsAnErrorAndTheTextStays)
{
    FakeRuntime runtime(u"empty"_s);
    openRecording();
    workflows->transcription().transcribe();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_EQ(session->errorMessage(), u"Nenhuma fala foi detectada no áudio."_s);
    EXPECT_EQ(session->sourceText(), QString());
    EXPECT_EQ(session->detectedSpeakers(), 0);
}

TEST_F(Transcribing, WorkerFailureIsReported)
{
    FakeRuntime runtime(u"failLoudly"_s);
    openRecording();
    workflows->transcription().transcribe();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_EQ(session->errorMessage(), u"A engine de transcrição não concluiu:\n"_s + fakeFailureOutput(1800));
}

TEST_F(Transcribing, CancelInterruptsTheWorker)
{
    FakeRuntime runtime(u"sleepUntilInterrupted"_s);
    openRecording();
    workflows->transcription().transcribe();
    ASSERT_TRUE(QTest::qWaitFor([&runtime] { return runtime.has(u"started"_s); }, 10000));
    workflows->cancel();
    EXPECT_EQ(session->status(), u"Cancelando…"_s);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->status(), u"Cancelado"_s);
    EXPECT_FALSE(session->errorMessage());
    EXPECT_TRUE(runtime.has(u"interrupted"_s));
    EXPECT_EQ(session->sourceText(), QString());
    EXPECT_TRUE(workFolders(temp()).isEmpty());
}

TEST_F(Transcribing, SessionClosedMidTranscriptionEndsTheWorkerWithoutTouchingIt)
{
    FakeRuntime runtime(u"sleepUntilInterrupted"_s);
    openRecording();
    workflows->transcription().transcribe();
    ASSERT_TRUE(QTest::qWaitFor([&runtime] { return runtime.has(u"started"_s); }, 10000));
    workflows.reset();
    session = nullptr;
    EXPECT_TRUE(QTest::qWaitFor([&runtime] { return runtime.has(u"interrupted"_s); }, 10000));
    // The job resumes after the worker's exit; it must find nothing to write into.
    EXPECT_TRUE(QTest::qWaitFor([this] { return workFolders(temp()).isEmpty(); }, 10000));
    QTest::qWait(200);
}

TEST_F(Transcribing, ATranscribedRecordingExportsItsSegmentsAsSubtitles)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    openRecording();
    workflows->transcription().transcribe();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(session->transcriptSegments().size(), 2);

    struct Case
    {
        const char *name;
        QString file;
        QString expected;
    };
    const Case cases[] = {
        {"SubRip", u"entrevista.srt"_s,
         u"1\n00:00:00,000 --> 00:00:01,500\nAna: Ola\u0301.\n\n2\n00:00:01,500 --> 00:00:03,200\nBruno: Tudo bem?\n"_s},
        {"WebVTT", u"entrevista.vtt"_s,
         u"WEBVTT\n\n00:00:00.000 --> 00:00:01.500\n<v Ana>Ola\u0301.\n\n"
         u"00:00:01.500 --> 00:00:03.200\n<v Bruno>Tudo bem?\n"_s},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        prompts.saveAnswers.enqueue(folder.filePath(row.file));
        workflows->document().exportText();
        EXPECT_EQ(QString::fromUtf8(readFile(folder.filePath(row.file))), row.expected);
    }

    openRecording(u"outra.wav"_s);
    EXPECT_TRUE(session->transcriptSegments().isEmpty()) << "a new recording has no transcript yet";
}

TEST_F(Transcribing, ProgressFollowsTheUnchangedStatusUntilTheEnd)
{
    FakeRuntime runtime(u"progress"_s);
    openRecording();
    // Ten seconds pass from one report to the next, so the estimates show at test speed.
    ProgressEstimator::Clock::time_point now;
    workflows->transcription().setClock([&now] { return now += std::chrono::seconds(10); });
    const QString transcribing = u"Transcrevendo · large-v3-turbo…"_s;
    QStringList shown;
    QStringList statusMeanwhile;
    QObject::connect(session, &Session::transcriptionProgressChanged, session,
                     [&](const std::optional<TranscriptionProgress> &progress) {
                         statusMeanwhile.append(session->status());
                         shown.append(StatusLine::compose(session->status(), progress));
                     });
    workflows->transcription().transcribe();
    shown.append(StatusLine::compose(session->status(), session->transcriptionProgress()));
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_EQ(session->status(), u"Transcrito"_s);
    EXPECT_EQ(session->sourceText(), transcribedWithTimecodes);
    EXPECT_FALSE(session->transcriptionProgress());
    statusMeanwhile.removeAll(transcribing);
    EXPECT_EQ(statusMeanwhile, QStringList{}) << "the status changed while progress came in";
    for (const QString &line : std::as_const(shown))
        std::cout << "[ shown    ] " << line.toStdString() << '\n';

    // The recording's decoding first (its steps depend on the decoder's buffers), then the
    // worker's stages as the fake worker reports them, and the reset that ends it all.
    const qsizetype decodingEnd = shown.indexOf(transcribing + u" 100\u00A0%"_s);
    ASSERT_GT(decodingEnd, 1);
    EXPECT_EQ(shown.sliced(0, 2), (QStringList{transcribing, transcribing + u" 0\u00A0%"_s}));
    const QStringList fromWorker{
        transcribing + u" 0\u00A0%"_s,
        transcribing + u" 100\u00A0%"_s,
        transcribing + u" 0\u00A0%"_s,
        transcribing + u" 10\u00A0% · cerca de 2\u00A0min"_s,
        transcribing + u" 25\u00A0% · cerca de 1\u00A0min"_s,
        transcribing + u" 50\u00A0% · menos de 1\u00A0min"_s,
        transcribing + u" 75\u00A0% · menos de 1\u00A0min"_s,
        transcribing + u" 100\u00A0%"_s,
        transcribing + u" 0\u00A0%"_s,
        transcribing + u" 50\u00A0% · menos de 1\u00A0min"_s,
        transcribing + u" 100\u00A0%"_s,
        transcribing,
    };
    EXPECT_EQ(shown.sliced(decodingEnd + 1), fromWorker);
}

TEST_F(Transcribing, CancelClearsTheProgressAndLaterReportsAreIgnored)
{
    FakeRuntime runtime(u"sleepUntilInterrupted"_s);
    openRecording();
    workflows->transcription().transcribe();
    ASSERT_TRUE(QTest::qWaitFor([this] { return session->transcriptionProgress().has_value(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&runtime] { return runtime.has(u"started"_s); }, 10000));
    workflows->cancel();
    EXPECT_FALSE(session->transcriptionProgress());
    QObject::connect(session, &Session::transcriptionProgressChanged, session,
                     [](const std::optional<TranscriptionProgress> &progress) { EXPECT_FALSE(progress); });
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->status(), u"Cancelado"_s);
}

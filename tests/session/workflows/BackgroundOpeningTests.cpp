#include "tests/session/workflows/WorkflowFixture.h"

#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"

#include <QThreadPool>
#include <QTimer>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

// A file is read and decoded off the GUI thread; the document it replaces stays whole
// until the new one was read.
class BackgroundOpening : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        makeWorkflowSession();
        workflows->document().loadExample();
    }

    // A transcript of `count` segments, the most the program opens.
    QString longTranscript(const QString &name, int count = 100'000)
    {
        QByteArray segments = "[";
        for (int i = 0; i < count; ++i)
            segments += QByteArray(i ? "," : "") + R"({"locutor":"Ana","inicio":)" + QByteArray::number(i)
                + R"(,"fim":)" + QByteArray::number(i + 1) + R"(,"texto":"Trecho )" + QByteArray::number(i) + R"(."})";
        return writeFile(name, segments + ']');
    }

    QCoro::Task<> open(const QString &path) { return workflows->document().importFile(QUrl::fromLocalFile(path)); }

    // A recording opened for real: its player, duration and waveform.
    void openRecording()
    {
        const QString path = writeFile(u"entrevista.mp3"_s, mp3Tone(1));
        test::runTask(open(path));
        ASSERT_NE(workflows->playback().sourcePlayer(), nullptr);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !session->waveform().isEmpty(); }));
    }

    struct Document
    {
        QString source;
        QString output;
        QUrl url;
        qsizetype segments;
        const AudioPlayer *player;
        double duration;
        QList<double> waveform;
        bool operator==(const Document &) const = default;
    };
    Document document() const
    {
        return {session->sourceText(),
                session->outputText(),
                session->sourceURL(),
                session->transcriptSegments().size(),
                workflows->playback().sourcePlayer(),
                session->duration(),
                session->waveform()};
    }
};

} // namespace

TEST_F(BackgroundOpening, ALargeTranscriptOpensWhileTheEventLoopTurns)
{
    const QString path = longTranscript(u"longa.json"_s);
    const Document before = document();
    int turnsWhileReading = 0;
    QTimer ping;
    ping.setInterval(0);
    QObject::connect(&ping, &QTimer::timeout, [&] {
        if (session->busy() && document() == before)
            ++turnsWhileReading;
    });
    ping.start();

    QCoro::Task<> opening = open(path);
    EXPECT_TRUE(session->busy());
    EXPECT_EQ(session->status(), u"Abrindo…"_s);
    EXPECT_TRUE(document() == before);
    test::runTask(std::move(opening));
    ping.stop();

    EXPECT_GT(turnsWhileReading, 0);
    EXPECT_FALSE(session->busy());
    EXPECT_EQ(session->status(), u"Pronto"_s);
    EXPECT_EQ(session->sourceName(), u"longa.json"_s);
    EXPECT_EQ(session->transcriptSegments().size(), 100'000);
    EXPECT_TRUE(session->sourceText().endsWith(u"Ana: Trecho 99999."_s));
}

// Each of these fails only once the file was read, off the GUI thread.
TEST_F(BackgroundOpening, AFailedReadLeavesTheRecordingAndTextsAsTheyWere)
{
    openRecording();
    session->setOutputText(u"Resumo da entrevista."_s);
    const Document before = document();
    struct Case
    {
        QString path;
        QString message;
    };
    const Case cases[] = {
        {longTranscript(u"longa-demais.json"_s, 100'001),
         u"A transcrição passa do limite de 100.000 trechos e não foi aberta."_s},
        {writeFile(u"quebrada.json"_s, R"([{"locutor":"Ana","inicio":0,"fim":1,"texto":"oi"})"),
         u"JSON inválido (posição 50): uma lista não foi fechada."_s},
        {writeFile(u"latim1.txt"_s, "ol\xe1"), u"Não foi possível ler o texto. Exporte-o como UTF-8 ou RTF."_s},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.path.toStdString());
        test::runTask(open(row.path));
        EXPECT_FALSE(session->busy());
        EXPECT_EQ(session->status(), u"Erro"_s);
        EXPECT_EQ(session->errorMessage(), row.message);
        EXPECT_TRUE(document() == before);
    }
}

TEST_F(BackgroundOpening, ALaterOpenTakesThePlaceOfOneStillReading)
{
    QCoro::Task<> first = open(longTranscript(u"longa.json"_s));
    QCoro::Task<> second = open(writeFile(u"notas.txt"_s, "Notas da reunião."));
    test::runTask(std::move(second));
    test::runTask(std::move(first));
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(session->sourceName(), u"notas.txt"_s);
    EXPECT_EQ(session->sourceText(), u"Notas da reunião."_s);
    EXPECT_TRUE(session->transcriptSegments().isEmpty());
    EXPECT_EQ(session->status(), u"Pronto"_s);
    EXPECT_FALSE(session->busy());
}

// The menu, a dropped file and another instance's hand-off all ask first.
TEST_F(BackgroundOpening, AskingToOpenAnotherFileWhileOneIsReadingIsRefused)
{
    QCoro::Task<> opening = open(longTranscript(u"longa.json"_s));
    prompts.openAnswers.enqueue(writeFile(u"notas.txt"_s, "Notas."));
    EXPECT_FALSE(workflows->document().confirmReplacement());
    test::runTask(workflows->document().openFile());
    EXPECT_TRUE(prompts.openDialogsShown.isEmpty());
    EXPECT_EQ(session->errorMessage(), u"Cancele a operação atual antes de abrir outro arquivo."_s);
    test::runTask(std::move(opening));
    EXPECT_EQ(session->sourceName(), u"longa.json"_s);
}

TEST_F(BackgroundOpening, CancellingAReadKeepsTheDocument)
{
    openRecording();
    const Document before = document();
    QCoro::Task<> opening = open(longTranscript(u"longa.json"_s));
    workflows->cancel();
    test::runTask(std::move(opening));
    EXPECT_EQ(session->status(), u"Cancelado"_s);
    EXPECT_FALSE(session->busy());
    EXPECT_FALSE(session->errorMessage());
    EXPECT_TRUE(document() == before);
}

// Quitting tears the workflows down with the read still going: it ends touching nothing.
TEST_F(BackgroundOpening, ClosingWhileAFileIsReadEndsCleanly)
{
    QCoro::Task<> opening = open(longTranscript(u"longa.json"_s));
    session = nullptr;
    workflows.reset();
    test::runTask(std::move(opening));
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
}

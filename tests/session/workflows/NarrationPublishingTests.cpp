#include "tests/session/workflows/NarrationFixture.h"

#include "TelvoraCore/Editorial/Editorial.h"
#include "tests/support/QtPrinters.h"

#include <QDate>
#include <QJsonArray>

#include <numeric>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

// A speech answer holding `seconds` of an ffmpeg source, as MP3.
Reply speechOf(const QString &source, double seconds)
{
    Reply reply;
    reply.headers = {{"Content-Type", "audio/mpeg"}};
    reply.body = mp3Of(source + u":sample_rate=44100"_s, seconds);
    return reply;
}

const QString quietTone = u"aevalsrc=0.0316*sin(2*PI*440*t)"_s;    // -30 dBFS
const QString loudNoise = u"anoisesrc=color=pink:amplitude=0.5"_s; // peaks at -6 dBFS
const QString middleTone = u"aevalsrc=0.25*sin(2*PI*330*t)"_s;

class PublishedNarration : public Narration
{
protected:
    // Narrates the output text from `narrationScript`, one reply per chunk, and exports it.
    QJsonObject narrateAndExport(const QString &narrationScript, const QList<Reply> &speech, const QString &name)
    {
        server.enqueue(script(narrationScript));
        server.enqueue(speech);
        workflows->narration().listen();
        EXPECT_TRUE(waitUntilIdle(narrationWatchdog));
        EXPECT_EQ(session->status(), u"Áudio pronto"_s);
        EXPECT_FALSE(session->errorMessage());
        exported = folder.filePath(name);
        prompts.saveAnswers.enqueue(exported);
        workflows->narration().exportAudio();
        EXPECT_EQ(session->status(), u"Áudio exportado"_s);
        return probe(exported);
    }

    void expectPublishableLoudness() const
    {
        const LoudnessReading loudness = measureLoudness(exported);
        ASSERT_TRUE(loudness.read);
        EXPECT_NEAR(loudness.integrated, -16, 0.5);
        EXPECT_LE(loudness.truePeak, -1);
    }

    QString exported;
};

} // namespace

TEST_F(PublishedNarration, ChaptersFollowTheHeadingsAndTheWholeIsNormalised)
{
    session->setOutputText(u"# Memórias do mar\n\nIntrodução\n\nO mar é grande.\n\n## As marés\n\nAs marés sobem."
                           u"\n\n## O farol\n\nO farol guia."_s);
    session->setGeneratedKind(OutputKind::literary);
    const QString narrationScript = u"Memórias do mar. Introdução. "_s + sentences(2990) + u" Agora, as marés. "_s
        + sentences(2985) + u" O farol. "_s + sentences(1200);
    const QStringList chunks = Editorial::speechChunks(narrationScript, 3000);
    ASSERT_EQ(chunks.size(), 3);
    const QList<double> seconds{1.5, 2.0, 1.0};
    const QJsonObject probed = narrateAndExport(
        narrationScript,
        {speechOf(quietTone, seconds[0]), speechOf(loudNoise, seconds[1]), speechOf(middleTone, seconds[2])},
        u"memórias.m4a"_s);
    EXPECT_EQ(prompts.saveDialogsShown.last().proposedName, u"Telvora-Literária.m4a"_s);

    const QJsonObject format = probed[u"format"_s].toObject();
    const double duration = format[u"duration"_s].toString().toDouble();
    EXPECT_NEAR(duration, 4.5, 0.1);
    const QJsonObject tags = format[u"tags"_s].toObject();
    EXPECT_EQ(tags[u"title"_s].toString(), u"Memórias do mar"_s);
    EXPECT_EQ(tags[u"genre"_s].toString(), u"Literária"_s);
    EXPECT_EQ(tags[u"date"_s].toString(), QDate::currentDate().toString(Qt::ISODate));
    const QJsonArray streams = probed[u"streams"_s].toArray();
    EXPECT_TRUE(std::any_of(streams.begin(), streams.end(), [](const QJsonValue &stream) {
        return stream[u"disposition"_s][u"attached_pic"_s].toInt() == 1 && stream[u"codec_name"_s].toString() == u"png";
    })) << "no cover picture";

    // Each chapter lies in the part whose chunk says its heading.
    const QStringList titles{u"Memórias do mar"_s, u"Introdução"_s, u"As marés"_s, u"O farol"_s};
    const QJsonArray chapters = probed[u"chapters"_s].toArray();
    ASSERT_EQ(chapters.size(), titles.size());
    double previous = -1;
    qsizetype chunk = 0;
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        SCOPED_TRACE(titles[i].toStdString());
        const QJsonObject chapter = chapters[i].toObject();
        EXPECT_EQ(chapter[u"tags"_s][u"title"_s].toString(), titles[i]);
        const double start = chapter[u"start_time"_s].toString().toDouble();
        EXPECT_GT(start, previous);
        EXPECT_LT(start, duration);
        while (chunk < chunks.size() && !chunks[chunk].contains(titles[i], Qt::CaseInsensitive))
            ++chunk;
        ASSERT_LT(chunk, chunks.size());
        const double partStart = std::accumulate(seconds.begin(), seconds.begin() + chunk, 0.0);
        EXPECT_GE(start, partStart - 0.05);
        EXPECT_LE(start, partStart + seconds[chunk]);
        previous = start;
    }
    EXPECT_EQ(chapters[0][u"start_time"_s].toString().toDouble(), 0);
    expectPublishableLoudness();
}

TEST_F(PublishedNarration, OnePartIsAnMp3WithItsTitleAndTheSameLoudness)
{
    struct Case
    {
        const char *name;
        QString document;
        QString title;
    };
    const Case cases[] = {
        {"the title line", u"Título curto\n\nUm texto breve."_s, u"Título curto"_s},
        {"no title line: the proposed name", u"\nUm texto sem título."_s, u"Telvora-Resumo"_s},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        emptySpeechCache();
        session->setOutputText(row.document);
        const QJsonObject probed = narrateAndExport(u"Um roteiro curto."_s, {speechOf(loudNoise, 3)}, u"curto.mp3"_s);
        EXPECT_EQ(prompts.saveDialogsShown.last().proposedName, u"Telvora-Resumo.mp3"_s);
        const QJsonObject format = probed[u"format"_s].toObject();
        EXPECT_EQ(format[u"format_name"_s].toString(), u"mp3"_s);
        EXPECT_EQ(format[u"tags"_s][u"title"_s].toString(), row.title);
        expectPublishableLoudness();
    }
}

TEST_F(PublishedNarration, ListeningPlaysTheNormalisedFile)
{
    session->setOutputText(u"Título\n\nTexto."_s);
    narrateAndExport(sentences(4000), {speechOf(quietTone, 1), speechOf(quietTone, 1)}, u"ouvir.m4a"_s);
    const QString playing = session->narrationAudio().toLocalFile();
    EXPECT_EQ(readFile(exported), readFile(playing));
    const LoudnessReading loudness = measureLoudness(playing);
    ASSERT_TRUE(loudness.read);
    EXPECT_NEAR(loudness.integrated, -16, 0.5);
}

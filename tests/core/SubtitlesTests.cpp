#include "TelvoraCore/Transcript/Subtitles.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include "tests/support/QtPrinters.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;
using Subtitles::Cue;

namespace telvora::Subtitles {
void PrintTo(const Cue &cue, std::ostream *out)
{
    *out << '{' << cue.speaker.toStdString() << ", " << cue.start << ", " << cue.end << ", \"" << cue.text.toStdString()
         << "\"}";
}
} // namespace telvora::Subtitles

namespace {

const QString longFirst = u"O primeiro assunto de hoje é a chuva que caiu durante a semana inteira."_s;
const QString longSecond = u"Depois falamos da feira."_s;

TEST(Subtitles, CutsLongOrLastingSegmentsAtSentenceOrWordBoundaries)
{
    struct Case
    {
        const char *name;
        TranscriptSegment segment;
        QList<Cue> expected;
    };
    const qsizetype firstLength = longFirst.size(); // plain Latin text: characters are code units
    const double shareOfFirst = 6.0 * firstLength / double(firstLength + longSecond.size());
    const Case cases[] = {
        {"within both limits", {u"Ana"_s, 1.5, 8.5, u"Bom dia."_s}, {{u"Ana"_s, 1.5, 8.5, u"Bom dia."_s}}},
        {"white space collapsed", {u" Ana "_s, 0, 2, u"  Bom \n dia. "_s}, {{u"Ana"_s, 0, 2, u"Bom dia."_s}}},
        {"no text gives no cue", {u"Ana"_s, 0, 2, u"   "_s}, {}},
        {"negative and backwards times", {u"Ana"_s, -3, -1, u"Oi."_s}, {{u"Ana"_s, 0, 0, u"Oi."_s}}},
        {"too long: cut between the sentences, time in proportion",
         {u"Bia"_s, 10, 16, longFirst + u' ' + longSecond},
         {{u"Bia"_s, 10, 10 + shareOfFirst, longFirst}, {u"Bia"_s, 10 + shareOfFirst, 16, longSecond}}},
        {"too lasting: cut between words",
         {u"Ana"_s, 0, 12, u"bom dia pessoal"_s},
         {{u"Ana"_s, 0, 6, u"bom dia"_s}, {u"Ana"_s, 6, 12, u"pessoal"_s}}},
        {"one word is never cut for time", {u"Ana"_s, 0, 20, u"Siiim."_s}, {{u"Ana"_s, 0, 20, u"Siiim."_s}}},
        {"one word past the length is cut",
         {u""_s, 0, 1, QString(100, u'x')},
         {{u""_s, 0, 0.5, QString(50, u'x')}, {u""_s, 0.5, 1, QString(50, u'x')}}},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        const QList<Cue> actual = Subtitles::cues({row.segment});
        ASSERT_EQ(actual.size(), row.expected.size());
        for (qsizetype i = 0; i < actual.size(); ++i) {
            EXPECT_EQ(actual[i].speaker, row.expected[i].speaker);
            EXPECT_EQ(actual[i].text, row.expected[i].text);
            EXPECT_NEAR(actual[i].start, row.expected[i].start, 1e-9);
            EXPECT_NEAR(actual[i].end, row.expected[i].end, 1e-9);
        }
    }
}

TEST(Subtitles, EveryCueOfALongMonologueKeepsTheLimitsAndTheWordsInOrder)
{
    QStringList sentences;
    for (int i = 1; i <= 40; ++i)
        sentences.append(u"Esta é a frase número %1, com ação e çedilha, dita devagar."_s.arg(i));
    const QString spoken = sentences.join(u' ');
    const TranscriptSegment segment{u"Ana"_s, 100, 460, spoken};

    const QList<Cue> cues = Subtitles::cues({segment});
    ASSERT_GT(cues.size(), 1);
    QStringList texts;
    double previousEnd = segment.inicio;
    for (const Cue &cue : cues) {
        EXPECT_LE(cue.text.size(), Subtitles::maximumCharacters) << cue.text.toStdString();
        EXPECT_LE(cue.end - cue.start, Subtitles::maximumSeconds + 1e-9) << cue.text.toStdString();
        EXPECT_DOUBLE_EQ(cue.start, previousEnd);
        previousEnd = cue.end;
        texts.append(cue.text);
    }
    EXPECT_DOUBLE_EQ(previousEnd, segment.fim);
    EXPECT_EQ(texts.join(u' '), spoken);
}

const QList<TranscriptSegment> twoSpeakers{
    {u"Ana"_s, 0, 2.5, u"Bom dia a todos."_s},
    {u"Bruno"_s, 3720, 3725.0625, u"Obrigado, Ana."_s},
};

TEST(Subtitles, WritesSubRipWithNumberedCuesAndSpeakerPrefixes)
{
    EXPECT_EQ(QString::fromUtf8(Subtitles::subRip(Subtitles::cues(twoSpeakers))),
              u"1\n00:00:00,000 --> 00:00:02,500\nAna: Bom dia a todos.\n\n"
              u"2\n01:02:00,000 --> 01:02:05,063\nBruno: Obrigado, Ana.\n"_s);
}

TEST(Subtitles, WritesWebVttWithVoiceTagsAndEscapedText)
{
    const QList<TranscriptSegment> segments{{u"Ana <mãe>"_s, 0, 1, u"a < b & c > d -->"_s}, {u""_s, 1, 2, u"só"_s}};
    EXPECT_EQ(QString::fromUtf8(Subtitles::webVtt(Subtitles::cues(segments))),
              u"WEBVTT\n\n"
              u"00:00:00.000 --> 00:00:01.000\n<v Ana &lt;mãe&gt;>a &lt; b &amp; c &gt; d --&gt;\n\n"
              u"00:00:01.000 --> 00:00:02.000\nsó\n"_s);
}

TEST(Subtitles, TimesBeyondTheMillisecondCountAreClampedLikeTheClock)
{
    constexpr double infinity = std::numeric_limits<double>::infinity();
    const struct
    {
        const char *name;
        double seconds;
        QString timestamp;
    } cases[]{
        {"below the limit", 9.2e15, u"2555555555555:33:20,000"_s},
        {"just past the limit", 9.3e15, u"2562047788015:12:55,807"_s},
        {"far past it", 1e300, u"2562047788015:12:55,807"_s},
        {"largest double", std::numeric_limits<double>::max(), u"2562047788015:12:55,807"_s},
        {"infinity", infinity, u"00:00:00,000"_s},
        {"not a number", std::nan(""), u"00:00:00,000"_s},
        {"negative", -3, u"00:00:00,000"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = QString::fromUtf8(Subtitles::subRip({Cue{u"Ana"_s, 0, c.seconds, u"Oi."_s}}));
        EXPECT_EQ(file, u"1\n00:00:00,000 --> "_s + c.timestamp + u"\nAna: Oi.\n"_s);
    }
}

// The WebVTT file grammar for files of cues without identifiers, settings or styles.
std::optional<QString> webVttGrammarFault(const QString &file)
{
    static const QRegularExpression timing(
        u"^(\\d{2,}):([0-5]\\d):([0-5]\\d)\\.(\\d{3}) --> (\\d{2,}):([0-5]\\d):([0-5]\\d)\\.(\\d{3})$"_s);
    if (!file.startsWith(u"WEBVTT\n\n"_s) || !file.endsWith(u'\n') || file.endsWith(u"\n\n"_s))
        return u"header or end"_s;
    const QStringList blocks = file.chopped(1).split(u"\n\n"_s);
    double previousStart = 0;
    for (const QString &block : blocks.mid(1)) {
        const QStringList lines = block.split(u'\n');
        const QRegularExpressionMatch match = timing.match(lines.first());
        if (!match.hasMatch() || lines.size() < 2)
            return u"cue: "_s + block;
        const auto seconds = [&](int first) {
            return match.captured(first).toDouble() * 3600 + match.captured(first + 1).toDouble() * 60
                + match.captured(first + 2).toDouble() + match.captured(first + 3).toDouble() / 1000;
        };
        if (seconds(5) < seconds(1) || seconds(1) < previousStart)
            return u"times: "_s + lines.first();
        previousStart = seconds(1);
        for (const QString &payload : lines.mid(1)) {
            if (payload.isEmpty() || payload.contains(u"-->"_s))
                return u"payload: "_s + payload;
            static const QRegularExpression bareAmpersand(u"&(?!amp;|lt;|gt;)"_s);
            static const QRegularExpression strayTag(u"<(?!v [^<>\\n]+>)"_s);
            if (payload.contains(bareAmpersand) || payload.contains(strayTag))
                return u"escaping: "_s + payload;
        }
    }
    return std::nullopt;
}

QList<Cue> parsedCues(const QString &file, bool webVtt)
{
    static const QRegularExpression timing(
        u"^(\\d+):(\\d\\d):(\\d\\d)[,.](\\d{3}) --> (\\d+):(\\d\\d):(\\d\\d)[,.](\\d{3})$"_s);
    static const QRegularExpression voice(u"^<v ([^>]*)>"_s);
    QList<Cue> result;
    QStringList blocks = file.trimmed().split(u"\n\n"_s);
    if (webVtt)
        blocks.removeFirst();
    for (const QString &block : blocks) {
        QStringList lines = block.split(u'\n');
        if (!webVtt)
            lines.removeFirst();
        const QRegularExpressionMatch match = timing.match(lines.first());
        const auto seconds = [&](int first) {
            return match.captured(first).toDouble() * 3600 + match.captured(first + 1).toDouble() * 60
                + match.captured(first + 2).toDouble() + match.captured(first + 3).toDouble() / 1000;
        };
        Cue cue{{}, seconds(1), seconds(5), lines.mid(1).join(u'\n')};
        if (webVtt) {
            if (const QRegularExpressionMatch tag = voice.match(cue.text); tag.hasMatch()) {
                cue.speaker = tag.captured(1);
                cue.text = cue.text.mid(tag.capturedLength());
            }
            cue.speaker.replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s).replace(u"&amp;"_s, u"&"_s);
            cue.text.replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s).replace(u"&amp;"_s, u"&"_s);
        } else if (const qsizetype colon = cue.text.indexOf(u": "_s); colon >= 0) {
            cue.speaker = cue.text.left(colon);
            cue.text = cue.text.mid(colon + 2);
        }
        result.append(cue);
    }
    return result;
}

TEST(Subtitles, BothFormatsReadBackAsTheSameCuesAndWebVttKeepsItsGrammar)
{
    const QList<TranscriptSegment> segments{
        {u"Ana"_s, 0.0004, 9.9996, longFirst + u' ' + longSecond},
        {u"Bruno & Cia"_s, 10, 11.25, u"Vale <mesmo> a pena -->"_s},
        {u"Ana"_s, 360000.5, 360003.123, u"Cem horas depois."_s},
    };
    const QList<Cue> cues = Subtitles::cues(segments);
    const QString webVtt = QString::fromUtf8(Subtitles::webVtt(cues));
    EXPECT_EQ(webVttGrammarFault(webVtt), std::nullopt) << webVtt.toStdString();

    for (const bool isWebVtt : {false, true}) {
        SCOPED_TRACE(isWebVtt ? "WebVTT" : "SubRip");
        const QList<Cue> readBack =
            parsedCues(isWebVtt ? webVtt : QString::fromUtf8(Subtitles::subRip(cues)), isWebVtt);
        ASSERT_EQ(readBack.size(), cues.size());
        for (qsizetype i = 0; i < cues.size(); ++i) {
            EXPECT_EQ(readBack[i].speaker, cues[i].speaker);
            EXPECT_EQ(readBack[i].text, cues[i].text);
            EXPECT_NEAR(readBack[i].start, cues[i].start, 0.0005);
            EXPECT_NEAR(readBack[i].end, cues[i].end, 0.0005);
        }
    }
}

TEST(Subtitles, TakesTheReadersCorrectionsWhileTheParagraphsStillMatchTheSegments)
{
    const QByteArray json = R"([{"locutor":"Ana","inicio":0,"fim":2,"texto":"Bom dai."},
                                {"locutor":"Bruno","inicio":2,"fim":4,"texto":"Oi."}])";
    const Transcript::Decoded timed = Transcript::decode(json, true);
    struct Case
    {
        const char *name;
        QString text;
        std::optional<QStringList> speakersAndTexts;
    };
    const Case cases[] = {
        {"as rendered, with timecodes", timed.text, QStringList{u"Ana"_s, u"Bom dai."_s, u"Bruno"_s, u"Oi."_s}},
        {"as rendered, without timecodes", Transcript::decode(json, false).text,
         QStringList{u"Ana"_s, u"Bom dai."_s, u"Bruno"_s, u"Oi."_s}},
        {"a word corrected", QString(timed.text).replace(u"dai"_s, u"dia"_s),
         QStringList{u"Ana"_s, u"Bom dia."_s, u"Bruno"_s, u"Oi."_s}},
        {"a speaker renamed", QString(timed.text).replace(u"Bruno:"_s, u"Bruno Lima:"_s),
         QStringList{u"Ana"_s, u"Bom dai."_s, u"Bruno Lima"_s, u"Oi."_s}},
        {"extra blank lines", QString(timed.text).replace(u"\n\n"_s, u"\n \n\n"_s),
         QStringList{u"Ana"_s, u"Bom dai."_s, u"Bruno"_s, u"Oi."_s}},
        {"a paragraph added", timed.text + u"\n\nNota final"_s, std::nullopt},
        {"paragraphs merged", QString(timed.text).replace(u"\n\n"_s, u" "_s), std::nullopt},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        const auto segments = Subtitles::withEditedText(timed.segments, row.text);
        ASSERT_EQ(segments.has_value(), row.speakersAndTexts.has_value());
        if (!segments)
            continue;
        QStringList actual;
        for (const TranscriptSegment &segment : *segments)
            actual << segment.locutor << segment.texto;
        EXPECT_EQ(actual, *row.speakersAndTexts);
        EXPECT_EQ(segments->at(1).inicio, 2);
        EXPECT_EQ(segments->at(1).fim, 4);
    }
}

} // namespace

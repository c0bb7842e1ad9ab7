#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Narration/ChapterMarks.h"

#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString tagsSentence =
    u"Use, com parcimônia e quando fizer sentido, as tags de expressão [thoughtful], [curious] e [excited]; não acrescente efeitos sonoros ou ações teatrais."_s;
const QString noTagsSentence =
    u"Não inclua tags entre colchetes nem instruções cênicas; a entonação deve surgir do ritmo e da pontuação."_s;

qsizetype graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

} // namespace

TEST(SpeechInstructions, TagsOnlyForElevenLabsWhenAsked)
{
    const QString base =
        u"Prepare o documento recebido para narração humana em português brasileiro. Preserve conteúdo e sentido. "
        u"Escreva somente o roteiro falado, sem Markdown, números de slides, timecodes ou identificação de "
        u"locutores. Desenvolva transições naturais, períodos que permitam respirar e ritmo correspondente ao tema. "_s;
    const QString closing = u" Não invente fatos e não leia os comandos de uma apresentação como conteúdo."_s;
    struct Case
    {
        const char *name;
        VoiceProvider provider;
        bool tags;
        QString expected;
    };
    const Case cases[] = {
        {"ElevenLabs asked for tags", VoiceProvider::elevenLabs, true, base + tagsSentence + closing},
        {"ElevenLabs without tags", VoiceProvider::elevenLabs, false, base + noTagsSentence + closing},
        {"OpenAI asked for tags", VoiceProvider::openAI, true, base + noTagsSentence + closing},
        {"OpenAI without tags", VoiceProvider::openAI, false, base + noTagsSentence + closing},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Editorial::speechInstructions(c.provider, c.tags), c.expected);
    }
}

TEST(SpeechChunks, CutsAtTheLastBreakInTheSecondHalfOfEachWindow)
{
    const QString ten = u"abcdefghij"_s;
    struct Case
    {
        const char *name;
        QString text;
        int limit;
        QStringList expected;
    };
    const Case cases[] = {
        {"empty", u""_s, 10, {}},
        {"only white space", u" \t\r\n\u00a0\u2028\u3000 "_s, 10, {}},
        {"exactly the limit after trimming", u"  \n"_s + ten + u" \n"_s, 10, {ten}},
        {"one over the limit is cut hard", ten + u'k', 10, {ten, u"k"_s}},
        {"breaks before half never cut", u"abc. defghij klm"_s, 10, {u"abc. defgh"_s, u"ij klm"_s}},
        {"last break of the second half wins", u"abcdef. ghijklmn"_s, 10, {u"abcdef."_s, u"ghijklmn"_s}},
        {"break character stays in its chunk", u"abcdefg!hijk"_s, 10, {u"abcdefg!"_s, u"hijk"_s}},
        {"run of spaces leaves no empty chunk", u"abcdef     ghij"_s, 10, {u"abcdef"_s, u"ghij"_s}},
        {"bare line feed is a break", u"abcdef\nghijkl"_s, 10, {u"abcdef"_s, u"ghijkl"_s}},
        {"CR LF is one character and no break", u"abcdef\r\nghijkl"_s, 10, {u"abcdef\r\nghi"_s, u"jkl"_s}},
        {"limit one", u"a b"_s, 1, {u"a"_s, u"b"_s}},
        {"limit below one reads as one", u"ab"_s, 0, {u"a"_s, u"b"_s}},
        {"odd limit rounds half down", u"ab.cdefg"_s, 5, {u"ab."_s, u"cdefg"_s}},
        {"trailing spaces trimmed from the last chunk", u"abcdefghij klm   "_s, 10, {u"abcdefghij"_s, u"klm"_s}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Editorial::speechChunks(c.text, c.limit), c.expected);
    }
}

TEST(SpeechChunks, CountsUserPerceivedCharactersAndNeverSplitsThem)
{
    const QString family = u"👨‍👩‍👧"_s; // several code points joined into one emoji
    const QString accented = u"e\u0301"_s;          // letter with a combining accent
    const QString flag = u"🇧🇷"_s;

    // Ten characters fit in one chunk even though they are many more UTF-16 units.
    const QString tenCharacters =
        family + accented + flag + family + accented + flag + family + accented + flag + family;
    EXPECT_EQ(Editorial::speechChunks(tenCharacters, 10), QStringList{tenCharacters});

    // Eleven are cut hard after the tenth character, never inside one.
    const QStringList cut = Editorial::speechChunks(tenCharacters + accented, 10);
    EXPECT_EQ(cut, (QStringList{tenCharacters, accented}));

    // A "." carrying a combining mark is a different character, not a break.
    EXPECT_EQ(Editorial::speechChunks(u"abcdef.\u0301ghijk"_s, 10), (QStringList{u"abcdef.\u0301ghi"_s, u"jk"_s}));
}

TEST(SpeechChunks, AFlagIsOneCharacterWhateverComesBeforeIt)
{
    const QString brazil = u"🇧🇷"_s;
    const QString portugal = u"🇵🇹"_s;
    struct Case
    {
        const char *name;
        QString text;
        int limit;
        QStringList expected;
    };
    const QList<Case> cases{
        {"after an emoji, two characters fit two", u"😀"_s + brazil, 2, {u"😀"_s + brazil}},
        {"after an emoji, cut after the flag", u"😀"_s + brazil + u"a"_s, 2, {u"😀"_s + brazil, u"a"_s}},
        {"after ©, cut between two flags", u"©"_s + brazil + portugal, 2, {u"©"_s + brazil, portugal}},
        {"three flags after an emoji, one per chunk",
         u"😀"_s + brazil + portugal + brazil,
         1,
         {u"😀"_s, brazil, portugal, brazil}},
        {"a lone indicator after a pair", brazil + u"\U0001F1E6x"_s, 2, {brazil + u"\U0001F1E6"_s, u"x"_s}},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Editorial::speechChunks(row.text, row.limit), row.expected);
    }
}

TEST(SpeechChunks, LongTextKeepsOrderAndEveryChunkIsTrimmedAndWithinTheLimit)
{
    QString text;
    for (int i = 0; i < 400; ++i)
        text += u"Frase número %1 com acentuação, emoji 🎙️ e marca combinada a\u0300! "_s.arg(i);
    for (const int limit : {7, 60, 3000}) {
        SCOPED_TRACE(limit);
        const QStringList chunks = Editorial::speechChunks(text, limit);
        ASSERT_FALSE(chunks.isEmpty());
        QString rejoined;
        for (const QString &chunk : chunks) {
            EXPECT_LE(graphemeCount(chunk), limit);
            EXPECT_EQ(chunk, chunk.trimmed());
            EXPECT_FALSE(chunk.isEmpty());
            rejoined += chunk;
        }
        QString compact = text;
        compact.remove(u' ');
        rejoined.remove(u' ');
        EXPECT_EQ(rejoined, compact);
    }
}

TEST(ChapterMarks, EachHeadingIsPlacedWhereTheScriptSaysItOrAtItsShare)
{
    // Three chunks of 20 characters in a script of 62 (a space between chunks).
    const QString script = u"Abertura do mar azul Segunda parte aqui. Terceira fala final.."_s;
    const QStringList chunks{script.sliced(0, 20), script.sliced(21, 19), script.sliced(41)};
    struct Case
    {
        const char *name;
        QList<DocumentHeading> headings;
        QList<ChapterMark> marks;
    };
    const Case cases[] = {
        {"said, ignoring case",
         {{u"abertura"_s, 0}, {u"SEGUNDA PARTE"_s, 40}, {u"Terceira"_s, 80}},
         {{u"abertura"_s, 0, 0.0}, {u"SEGUNDA PARTE"_s, 1, 0.0}, {u"Terceira"_s, 2, 0.0}}},
        {"inside a chunk", {{u"mar azul"_s, 0}}, {{u"mar azul"_s, 0, 12.0 / 20}}},
        {"not said: its share of the document", {{u"Ausente"_s, 50}}, {{u"Ausente"_s, 1, 10.0 / 19}}},
        {"never before the previous mark",
         {{u"Terceira"_s, 10}, {u"Abertura"_s, 20}},
         {{u"Terceira"_s, 2, 0.0}, {u"Abertura"_s, 2, 1.0 / 21}}},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(chapterMarks(row.headings, 100, script, chunks), row.marks);
    }
    EXPECT_TRUE(chapterMarks({{u"Título"_s, 0}}, 10, QString(), {}).isEmpty());
}

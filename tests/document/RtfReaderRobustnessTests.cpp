#include "Telvora/Document/RtfReader.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <random>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

enum class Outcome { text, refused };

// Any input ends in text or in an RtfError; the sanitizers catch what a plain run would not.
Outcome readSafely(const QByteArray &rtf)
{
    try {
        const QString text = RtfReader::read(rtf);
        EXPECT_TRUE(text.isValidUtf16()) << "unpaired surrogate in the output";
        return Outcome::text;
    } catch (const RtfError &error) {
        EXPECT_FALSE(error.message().isEmpty());
        return Outcome::refused;
    } catch (...) {
        ADD_FAILURE() << "unexpected exception";
        return Outcome::refused;
    }
}

QList<QByteArray> fixtures()
{
    QList<QByteArray> all;
    const QDir folder(QStringLiteral(TELVORA_DOCUMENT_FIXTURES));
    for (const QString &name : folder.entryList({QStringLiteral("*.rtf")})) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        all.append(file.readAll());
    }
    EXPECT_GE(all.size(), 4);
    return all;
}

} // namespace

TEST(RtfReaderRobustness, EveryTruncationOfARealDocumentIsRefused)
{
    for (const QByteArray &document : fixtures()) {
        ASSERT_EQ(readSafely(document), Outcome::text);
        const qsizetype complete = document.lastIndexOf('}') + 1;
        for (qsizetype length = 0; length < complete; ++length) {
            SCOPED_TRACE(length);
            ASSERT_EQ(readSafely(document.left(length)), Outcome::refused);
        }
    }
}

TEST(RtfReaderRobustness, DeepNestingNeedsNoRecursion)
{
    constexpr int depth = 100000;
    const QByteArray open(depth, '{'), close(depth, '}');
    EXPECT_EQ(RtfReader::read("{\\rtf1 " + open + "x" + close + "}"), QStringLiteral("x"));
    EXPECT_EQ(readSafely("{\\rtf1 " + open + "x"), Outcome::refused);
    EXPECT_EQ(readSafely("{\\rtf1 {\\*" + open + "x" + close + "}y}"), Outcome::text);
}

TEST(RtfReaderRobustness, AbsurdParametersStayHarmless)
{
    for (const char *rtf : {"{\\rtf1\\uc999999999999\\u65 abc}", "{\\rtf1\\bin99999999999 }", "{\\rtf1\\bin-5 a}",
                            "{\\rtf1\\u-99999999999 a}", "{\\rtf1\\ansicpg99999999999\\'80}", "{\\rtf1\\ansicpg0\\'80}",
                            "{\\rtf1\\'", "{\\rtf1\\'4", "{\\rtf1\\", "{\\rtf1\\u"}) {
        SCOPED_TRACE(rtf);
        readSafely(rtf);
    }
}

TEST(RtfReaderRobustness, RandomAndMutatedInputs)
{
    std::mt19937 random(7);
    const QByteArray alphabet = "{}\\\\\\'*-0123456789abcdefuc ;\r\n\x80\xe9\xff\x00parbintxfonttbl"_ba;
    std::uniform_int_distribution<int> letter(0, int(alphabet.size()) - 1);
    std::uniform_int_distribution<int> length(0, 600);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 3000; ++round) {
        QByteArray rtf = round % 2 ? QByteArray("{\\rtf1 ") : QByteArray();
        for (int i = length(random); i > 0; --i)
            rtf += alphabet[letter(random)];
        readSafely(rtf);
    }

    const QList<QByteArray> documents = fixtures();
    std::uniform_int_distribution<int> which(0, int(documents.size()) - 1);
    for (int round = 0; round < 3000; ++round) {
        QByteArray rtf = documents[which(random)];
        for (int edits = 1 + round % 8; edits > 0; --edits) {
            const int at = std::uniform_int_distribution<int>(0, int(rtf.size()) - 1)(random);
            switch (round % 3) {
            case 0:
                rtf[at] = char(byte(random));
                break;
            case 1:
                rtf.insert(at, alphabet[letter(random)]);
                break;
            default:
                rtf.remove(at, 1 + at % 5);
                break;
            }
        }
        readSafely(rtf);
    }
}

#include "Telvora/Transcription/WorkerOutput.h"

#include <QList>

#include <gtest/gtest.h>

using namespace telvora;

namespace {

using Stage = TranscriptionProgress::Stage;

struct Split
{
    QByteArray output;
    QList<TranscriptionProgress> progress;
};

// Feeds `bytes` in pieces of `piece` bytes, as a pipe may deliver them.
Split split(const QByteArray &bytes, qsizetype piece)
{
    Split result;
    WorkerOutput output([&result](const TranscriptionProgress &progress) { result.progress.append(progress); });
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        output.append(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)));
    result.output = output.finish();
    return result;
}

TranscriptionProgress at(Stage stage, double fraction) { return {stage, fraction, std::nullopt}; }

} // namespace

TEST(WorkerOutput, ProgressLinesAreTakenOutWhateverTheCuts)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        QByteArray output;
        QList<TranscriptionProgress> progress;
    } cases[]{
        {"progress between diagnostics",
         "aviso\nTELVORA-PROGRESS recognition 0.4200\nfalhou\n",
         "aviso\nfalhou\n",
         {at(Stage::recognition, 0.42)}},
        {"every stage",
         "TELVORA-PROGRESS decoding 1\nTELVORA-PROGRESS loading 0\nTELVORA-PROGRESS diarization 0.5\n",
         "",
         {at(Stage::decoding, 1), at(Stage::loading, 0), at(Stage::diarization, 0.5)}},
        {"last line without a line break",
         "erro\nTELVORA-PROGRESS recognition 1",
         "erro\n",
         {at(Stage::recognition, 1)}},
        {"line break of another system", "TELVORA-PROGRESS loading 1\r\nerro\r\n", "erro\r\n", {at(Stage::loading, 1)}},
        {"malformed progress is dropped, not shown",
         "TELVORA-PROGRESS recognition\nTELVORA-PROGRESS recognition 1.5\nTELVORA-PROGRESS escuta 0.5\n"
         "TELVORA-PROGRESS recognition nan\nTELVORA-PROGRESS\n",
         "",
         {}},
        {"the mark inside other text stays",
         "TELVORA-PROGRESSO 1\nnota: TELVORA-PROGRESS loading 1\n",
         "TELVORA-PROGRESSO 1\nnota: TELVORA-PROGRESS loading 1\n",
         {}},
        {"output without progress passes unchanged", "sem progresso\n\nfim", "sem progresso\n\nfim", {}},
    };
    for (const auto &c : cases) {
        for (const qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(4096)}) {
            SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(piece));
            const Split result = split(c.bytes, piece);
            EXPECT_EQ(result.output, c.output);
            EXPECT_EQ(result.progress, c.progress);
        }
    }
}

TEST(WorkerOutput, HoldsOnlyTheEndOfALongOutput)
{
    constexpr qsizetype size = 32 * 1024 * 1024;
    const QByteArray lines = QByteArray("linha de saída\n").repeated(size / 16);
    const struct
    {
        const char *name;
        QByteArray bytes;
        QByteArray withoutProgress;
        qsizetype progressLines;
    } cases[]{
        {"lines", lines + "TELVORA-PROGRESS loading 1\n", lines, 1},
        {"one line", QByteArray(size, 'x'), QByteArray(size, 'x'), 0},
        {"a marked line too long for progress", "TELVORA-PROGRESS " + QByteArray(size, 'x') + "\nfim\n", "fim\n", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QList<TranscriptionProgress> progress;
        WorkerOutput output([&progress](const TranscriptionProgress &report) { progress.append(report); });
        qsizetype mostHeld = 0;
        for (qsizetype at = 0; at < c.bytes.size(); at += 65536) {
            output.append(QByteArrayView(c.bytes).sliced(at, std::min<qsizetype>(65536, c.bytes.size() - at)));
            mostHeld = std::max(mostHeld, output.heldBytes());
        }
        const QByteArray kept = output.finish();
        EXPECT_LT(mostHeld, 8 * WorkerOutput::keptBytes);
        EXPECT_TRUE(c.withoutProgress.endsWith(kept));
        EXPECT_GE(kept.size(), std::min(c.withoutProgress.size(), WorkerOutput::keptBytes));
        EXPECT_LE(kept.size(), 2 * WorkerOutput::keptBytes);
        EXPECT_TRUE(output.wasUtf8());
        EXPECT_EQ(progress.size(), c.progressLines);
    }
}

TEST(WorkerOutput, Utf8IsJudgedOverEverythingEvenWhatIsNoLongerKept)
{
    const QByteArray accents = QByteArray("é").repeated(WorkerOutput::keptBytes * 3);
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool utf8;
    } cases[]{
        {"two-byte characters cut anywhere", accents, true},
        {"a stray byte long gone", "\xff" + accents, false},
        {"a stray byte at the end", accents + "\xff", false},
    };
    for (const auto &c : cases) {
        for (const qsizetype piece : {qsizetype(4093), qsizetype(65536)}) {
            SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(piece));
            WorkerOutput output({});
            for (qsizetype at = 0; at < c.bytes.size(); at += piece)
                output.append(QByteArrayView(c.bytes).sliced(at, std::min(piece, c.bytes.size() - at)));
            const QByteArray kept = output.finish();
            EXPECT_EQ(output.wasUtf8(), c.utf8);
            EXPECT_TRUE(c.bytes.endsWith(kept));
            EXPECT_LT(kept.size(), c.bytes.size());
            EXPECT_EQ(QUtf8StringView(kept).isValidUtf8(), c.utf8 || c.bytes.startsWith('\xff'));
        }
    }
}

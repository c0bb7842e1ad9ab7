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

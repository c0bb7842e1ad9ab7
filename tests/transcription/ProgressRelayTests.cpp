#include "Telvora/Transcription/ProgressRelay.h"

#include <QCoreApplication>
#include <QList>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

using namespace telvora;

namespace {

using Stage = TranscriptionProgress::Stage;

TranscriptionProgress at(Stage stage, double fraction) { return {stage, fraction, std::nullopt}; }

// Posts `reports` from a thread of its own and waits for it.
void postElsewhere(const ProgressCallback &post, const QList<TranscriptionProgress> &reports)
{
    std::thread poster([&post, &reports] {
        for (const TranscriptionProgress &report : reports)
            post(report);
    });
    poster.join();
}

} // namespace

TEST(ProgressRelay, DeliversOnItsOwnThreadInOrderWithoutTinySteps)
{
    QList<TranscriptionProgress> received;
    bool onItsThread = true;
    ProgressRelay relay([&](const TranscriptionProgress &progress) {
        onItsThread = onItsThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        received.append(progress);
    });
    postElsewhere(relay.poster(),
                  {at(Stage::decoding, 0), at(Stage::decoding, 0.001), at(Stage::decoding, 0.004),
                   at(Stage::decoding, 0.006), at(Stage::decoding, 0.0061), at(Stage::decoding, 1),
                   at(Stage::loading, 0), at(Stage::loading, 0)});
    EXPECT_TRUE(received.isEmpty()) << "delivered before the event loop ran";
    QTest::qWait(50);
    EXPECT_EQ(received,
              (QList<TranscriptionProgress>{at(Stage::decoding, 0), at(Stage::decoding, 0.006), at(Stage::decoding, 1),
                                            at(Stage::loading, 0)}));
    EXPECT_TRUE(onItsThread);
}

TEST(ProgressRelay, NothingArrivesOnceTheRelayIsGone)
{
    int calls = 0;
    ProgressCallback post;
    {
        ProgressRelay relay([&calls](const TranscriptionProgress &) { ++calls; });
        post = relay.poster();
        postElsewhere(post, {at(Stage::recognition, 0.1)});
    }
    postElsewhere(post, {at(Stage::recognition, 0.2)});
    QTest::qWait(50);
    EXPECT_EQ(calls, 0);
}

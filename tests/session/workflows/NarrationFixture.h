#pragma once

#include "tests/session/workflows/WorkflowFixture.h"

#include "Telvora/Session/SpeechCache.h"
#include "tests/support/AudioFixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace telvora::test {

using namespace Qt::Literals::StringLiterals;
// Whole sentences up to `length` characters: a script the chunker cuts at sentence ends.
inline QString sentences(qsizetype length)
{
    QString text;
    for (int i = 0; text.size() < length; ++i)
        text += u"Esta é a frase %1 do roteiro. "_s.arg(i, 4, 10, QChar(u'0'));
    return text.left(length).trimmed();
}

// A document whose plain form is itself, so a generation returning it keeps the narration.
inline const QString document = u"Um documento curto sobre o mar.\n\nO mar é grande."_s;

class Narration : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        ASSERT_FALSE(mp3Tone(0.4).isEmpty()) << "the ffmpeg command could not make an MP3";

        credentials.items.insert(u"openai"_s, "sk-test");
        makeWorkflowSession();
        session->setOutputText(document);
        session->setVoiceEnabled(true);
        QObject::connect(session, &Session::statusChanged, session,
                         [this](const QString &line) { statuses.append(line); });
    }

    // A narration of the same text after this one asks the server for everything again.
    static void emptySpeechCache() { QDir(SpeechCache::defaultFolder()).removeRecursively(); }

    QString narrationFile() const { return QFileInfo(session->narrationAudio().toLocalFile()).fileName(); }

    // Listens once with a one-chunk script: the narration the later steps must keep.
    void makeFirstNarration()
    {
        server.enqueue({script(u"Primeiro roteiro."_s), speech(0.4)});
        workflows->narration().listen();
        ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
        ASSERT_EQ(session->status(), u"Áudio pronto"_s);
        workflows->narration().listen(); // pause
        ASSERT_FALSE(session->voicePlaying());
        firstURL = session->narrationAudio();
        firstFolder = QFileInfo(narrationFolder()).fileName();
        statuses.clear();
        emptySpeechCache();
    }

    // A generation that returns the current document again, so the narration chained to it
    // starts while the first narration is still installed.
    void generateTheSameDocument(const QList<Reply> &narrationReplies)
    {
        session->setSourceText(u"Fonte."_s);
        server.enqueue(script(document));
        server.enqueue(narrationReplies);
        workflows->generation().generate();
    }

    void expectFirstNarrationStays()
    {
        EXPECT_EQ(session->outputText(), document);
        EXPECT_EQ(session->narrationAudio(), firstURL);
        EXPECT_TRUE(QFileInfo::exists(firstURL.toLocalFile()));
        EXPECT_EQ(narrationFolders(), QStringList{firstFolder});
        workflows->narration().listen();
        EXPECT_TRUE(session->voicePlaying());
        ASSERT_NE(workflows->playback().voicePlayer(), nullptr);
        EXPECT_TRUE(workflows->playback().voicePlayer()->isPlaying());
    }

    QStringList statuses;
    QUrl firstURL;
    QString firstFolder;
};

} // namespace telvora::test

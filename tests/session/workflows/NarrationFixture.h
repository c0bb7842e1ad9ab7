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
using Reply = LoopbackServer::Reply;

// Joining and encoding take seconds in the sanitizer build.
constexpr int narrationWatchdog = 60000;

inline Reply script(const QString &text)
{
    const QJsonObject part{{u"type"_s, u"output_text"_s}, {u"text"_s, text}};
    const QJsonObject item{{u"content"_s, QJsonArray{part}}};
    return Reply::json(QJsonObject{{u"status"_s, u"completed"_s}, {u"output"_s, QJsonArray{item}}});
}

inline Reply speech(double seconds)
{
    Reply reply;
    reply.headers = {{"Content-Type", "audio/mpeg"}};
    reply.body = mp3Tone(seconds);
    return reply;
}

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
        // Narration folders go to a temporary folder of this test, so leftovers are its own.
        savedTemp = qgetenv("TMPDIR");
        const QString temp = folder.filePath(u"tmp"_s);
        ASSERT_TRUE(QDir().mkpath(temp));
        qputenv("TMPDIR", temp.toLocal8Bit());
        // Parts and scripts are cached in the test's own folder, never in the user's cache.
        savedCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", folder.filePath(u"cache"_s).toLocal8Bit());
        ASSERT_FALSE(mp3Tone(0.4).isEmpty()) << "the ffmpeg command could not make an MP3";

        credentials.items.insert(u"openai"_s, "sk-test");
        makeWorkflowSession();
        session->setOutputText(document);
        session->setVoiceEnabled(true);
        QObject::connect(session.get(), &Session::statusChanged, session.get(),
                         [this](const QString &line) { statuses.append(line); });
    }

    void TearDown() override
    {
        session.reset();
        EXPECT_EQ(narrationFolders(), QStringList()) << "a narration folder outlived its session";
        qputenv("TMPDIR", savedTemp);
        qputenv("XDG_CACHE_HOME", savedCache);
    }

    // A narration of the same text after this one asks the server for everything again.
    static void emptySpeechCache() { QDir(SpeechCache::defaultFolder()).removeRecursively(); }

    QString narrationFile() const { return QFileInfo(session->voiceURL.toLocalFile()).fileName(); }

    // Listens once with a one-chunk script: the narration the later steps must keep.
    void makeFirstNarration()
    {
        server.enqueue({script(u"Primeiro roteiro."_s), speech(0.4)});
        session->listen();
        ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
        ASSERT_EQ(session->status(), u"Áudio pronto"_s);
        session->listen(); // pause
        ASSERT_FALSE(session->voicePlaying());
        firstURL = session->voiceURL;
        firstFolder = QFileInfo(session->voiceDirectory).fileName();
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
        session->generate();
    }

    void expectFirstNarrationStays()
    {
        EXPECT_EQ(session->outputText(), document);
        EXPECT_EQ(session->voiceURL, firstURL);
        EXPECT_TRUE(QFileInfo::exists(firstURL.toLocalFile()));
        EXPECT_EQ(narrationFolders(), QStringList{firstFolder});
        session->listen();
        EXPECT_TRUE(session->voicePlaying());
        ASSERT_NE(session->voicePlayer(), nullptr);
        EXPECT_TRUE(session->voicePlayer()->isPlaying());
    }

    QByteArray savedTemp;
    QByteArray savedCache;
    QStringList statuses;
    QUrl firstURL;
    QString firstFolder;
};

} // namespace telvora::test

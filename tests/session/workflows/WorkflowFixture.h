#pragma once

#include "tests/session/state/SessionFixture.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/LoopbackServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

namespace telvora::test {

using Reply = LoopbackServer::Reply;

// Joining and encoding take seconds in the sanitizer build.
constexpr int narrationWatchdog = 60000;

// A Responses answer carrying `text`.
inline Reply script(const QString &text)
{
    using namespace Qt::Literals::StringLiterals;
    const QJsonObject part{{u"type"_s, u"output_text"_s}, {u"text"_s, text}};
    const QJsonObject item{{u"content"_s, QJsonArray{part}}};
    return Reply::json(QJsonObject{{u"status"_s, u"completed"_s}, {u"output"_s, QJsonArray{item}}});
}

// A speech answer: an MP3 tone of `seconds`.
inline Reply speech(double seconds)
{
    Reply reply;
    reply.headers = {{"Content-Type", "audio/mpeg"}};
    reply.body = mp3Tone(seconds);
    return reply;
}

// A session whose provider requests go to a loopback server. Narration folders go to a
// temporary folder of the test and speech is cached in the test's own folder, so leftovers
// are its own and the user's cache is never touched.
class WorkflowFixture : public SessionFixture
{
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        savedTemp = qgetenv("TMPDIR");
        const QString temp = folder.filePath(QStringLiteral("tmp"));
        ASSERT_TRUE(QDir().mkpath(temp));
        qputenv("TMPDIR", temp.toLocal8Bit());
        savedCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", folder.filePath(QStringLiteral("cache")).toLocal8Bit());
    }

    void TearDown() override
    {
        SessionFixture::TearDown();
        EXPECT_EQ(narrationFolders(), QStringList()) << "a narration folder outlived its workflow";
        qputenv("TMPDIR", savedTemp);
        qputenv("XDG_CACHE_HOME", savedCache);
    }

    Session &makeWorkflowSession()
    {
        ProviderEndpoints endpoints = ProviderEndpoints::defaults();
        endpoints.openAI = server.url();
        endpoints.elevenLabs = server.url();
        return makeSession(endpoints);
    }

    bool waitUntilIdle(int milliseconds = 10000)
    {
        return QTest::qWaitFor([this] { return !session->busy(); }, milliseconds);
    }

    // Narrates the output text for real (a one-chunk script, a short tone) and pauses it:
    // the session then holds a narration, its player and its folder of parts.
    void makeNarration()
    {
        if (!credentials.items.contains(QStringLiteral("openai")))
            credentials.items.insert(QStringLiteral("openai"), "sk-test");
        if (session->outputText().isEmpty())
            session->setOutputText(QStringLiteral("Um documento narrado."));
        session->setVoiceEnabled(true);
        server.enqueue({script(QStringLiteral("Um roteiro.")), speech(0.3)});
        workflows->narration().listen();
        ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
        ASSERT_FALSE(session->narrationAudio().isEmpty()) << session->errorMessage().value_or(QString()).toStdString();
        workflows->narration().listen(); // pause
        // The parts are cached: a second narration of the same text asks the server again.
        QDir(folder.filePath(QStringLiteral("cache"))).removeRecursively();
    }

    // The narration's folder holds its audio file.
    QString narrationFolder() const { return QFileInfo(session->narrationAudio().toLocalFile()).dir().path(); }

    bool hasNarration() const
    {
        return !session->narrationAudio().isEmpty() || session->voicePlaying()
            || workflows->playback().voicePlayer() != nullptr || !narrationFolders().isEmpty();
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(bytes);
        return path;
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    LoopbackServer server;
    QByteArray savedTemp;
    QByteArray savedCache;
};

} // namespace telvora::test

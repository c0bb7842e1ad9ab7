#include "Telvora/Transcription/LocalTranscriber.h"
#include "Telvora/Transcription/TemporaryFolderOwner.h"
#include "tests/support/RunTask.h"
#include "tests/transcription/FakeRuntime.h"

#include <QDateTime>
#include <QProcess>
#include <QTimer>

#include <sys/stat.h>
#include <utime.h>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class AbandonedFolders : public ::testing::Test
{
protected:
    QString folder(const QString &name) const
    {
        const QString path = temp.filePath(name);
        EXPECT_TRUE(QDir().mkpath(path));
        QFile part(QDir(path).filePath(u"parte-0.mp3"_s));
        EXPECT_TRUE(part.open(QIODevice::WriteOnly));
        return path;
    }
    void writeOwner(const QString &path, const QByteArray &text) const
    {
        QFile file(QDir(path).filePath(QString::fromLatin1(TemporaryFolderOwner::fileName)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray ownerOf(const QString &path) const
    {
        QFile file(QDir(path).filePath(QString::fromLatin1(TemporaryFolderOwner::fileName)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void age(const QString &path, qint64 seconds)
    {
        const qint64 then = QDateTime::currentSecsSinceEpoch() - seconds;
        const utimbuf times{then, then};
        ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
    }
    // A real process that ends when told to.
    static std::unique_ptr<QProcess> sleeper()
    {
        auto process = std::make_unique<QProcess>();
        process->start(u"/bin/sleep"_s, {u"60"_s});
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }

    QTemporaryDir temp;
};

} // namespace

TEST_F(AbandonedFolders, OnlyFoldersWhoseOwnerIsGoneAreRemoved)
{
    const std::unique_ptr<QProcess> running = sleeper();
    const std::unique_ptr<QProcess> ended = sleeper();

    const QString ours = folder(u"telvora-transcription-11111111-0000-0000-0000-000000000000"_s);
    TemporaryFolderOwner::mark(ours);
    const QString anotherTelvora = folder(u"telvora-voice-22222222-0000-0000-0000-000000000000"_s);
    TemporaryFolderOwner::mark(anotherTelvora, static_cast<pid_t>(running->processId()));
    const QString killed = folder(u"telvora-voice-33333333-0000-0000-0000-000000000000"_s);
    TemporaryFolderOwner::mark(killed, static_cast<pid_t>(ended->processId()));
    ended->kill();
    ASSERT_TRUE(ended->waitForFinished());

    // This process's id, but a start time of another process that had the id before.
    const QString reused = folder(u"telvora-transcription-44444444-0000-0000-0000-000000000000"_s);
    QByteArray record = ownerOf(ours);
    QList<QByteArray> fields = record.trimmed().split(' ');
    ASSERT_EQ(fields.size(), 3);
    writeOwner(reused, fields[0] + " 1 " + fields[2] + '\n');
    const QString earlierBoot = folder(u"telvora-voice-55555555-0000-0000-0000-000000000000"_s);
    writeOwner(earlierBoot, fields[0] + ' ' + fields[1] + " 00000000-aaaa-bbbb-cccc-000000000000\n");

    const QString freshUnmarked = folder(u"telvora-voice-66666666-0000-0000-0000-000000000000"_s);
    const QString oldUnmarked = folder(u"telvora-transcription-77777777-0000-0000-0000-000000000000"_s);
    age(oldUnmarked, 2 * 60 * 60);
    const QString oldGarbled = folder(u"telvora-voice-88888888-0000-0000-0000-000000000000"_s);
    writeOwner(oldGarbled, "não é um dono");
    age(oldGarbled, 2 * 60 * 60);
    const QString notOurs = folder(u"telvora-captures"_s);
    age(notOurs, 2 * 60 * 60);
    QFile plainFile(temp.filePath(u"telvora-voice-99999999-0000-0000-0000-000000000000"_s));
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();

    // A link to a folder of a gone owner: the link is not ours to follow.
    QTemporaryDir elsewhere;
    const QString target = QDir(elsewhere.path()).filePath(u"telvora-voice-aaaaaaaa-0000-0000-0000-000000000000"_s);
    QDir().mkpath(target);
    writeOwner(target, "1 1 x\n");
    const QString link = temp.filePath(u"telvora-voice-bbbbbbbb-0000-0000-0000-000000000000"_s);
    ASSERT_TRUE(QFile::link(target, link));

    EXPECT_EQ(TemporaryFolderOwner::removeAbandoned(temp.path()), 5);

    const struct
    {
        const char *name;
        QString path;
        bool kept;
    } cases[]{
        {"owned by this process", ours, true},
        {"owned by another running process", anotherTelvora, true},
        {"owner ended", killed, false},
        {"owner's id reused by another process", reused, false},
        {"owner from before a restart", earlierBoot, false},
        {"no owner, just made", freshUnmarked, true},
        {"no owner, left for hours", oldUnmarked, false},
        {"unreadable owner, left for hours", oldGarbled, false},
        {"another prefix", notOurs, true},
        {"a file with the prefix", plainFile.fileName(), true},
        {"a link with the prefix", link, true},
        {"the link's target", target, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QFileInfo::exists(c.path), c.kept);
    }
    running->kill();
    running->waitForFinished();
}

TEST_F(AbandonedFolders, RunningTranscriptionKeepsItsWorkFolder)
{
    const QByteArray previousTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toUtf8());
    QTemporaryDir inputs;
    const QString recording = inputs.filePath(u"fala.wav"_s);
    ASSERT_TRUE(writeWav(recording, 0.5));
    FakeRuntime runtime(u"waitForGo"_s);

    int removedWhileRunning = -1;
    QStringList foldersWhileRunning;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!runtime.has(u"started"_s) || removedWhileRunning >= 0)
            return;
        foldersWhileRunning = workFolders(temp.path());
        // Even left alone for hours, a folder whose owner runs stays.
        for (const QString &name : foldersWhileRunning)
            age(temp.filePath(name), 2 * 60 * 60);
        removedWhileRunning = TemporaryFolderOwner::removeAbandoned(temp.path());
        runtime.touch(u"go"_s);
    });
    poll.start(20);
    const QByteArray transcript =
        runTask(LocalTranscriber::transcribe(recording, {u"small"_s, u"pt"_s, {}, false, 0, {}, {}, {}}, {}));
    qputenv("TMPDIR", previousTemp);

    EXPECT_FALSE(transcript.isEmpty());
    EXPECT_EQ(foldersWhileRunning.size(), 1);
    EXPECT_EQ(removedWhileRunning, 0);
    EXPECT_TRUE(workFolders(temp.path()).isEmpty());
}

#include "tests/media/FakeAudioPlayer.h"
#include "tests/session/workflows/WorkflowFixture.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"
#include "tests/transcription/FakeRuntime.h"

#include "Telvora/Interface/Reader/EditableDocument.h"
#include "Telvora/Interface/Reader/ReaderView.h"
#include "Telvora/Interface/Reader/TranscriptFollower.h"
#include "TelvoraCore/Transcript/Transcript.h"

#include <QTextBlock>

#include <sys/stat.h>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class Resuming : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        makeWorkflowSession();
    }

    void open(const QString &path) { test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path))); }

    QString subfolder(const QString &name) const
    {
        EXPECT_TRUE(QDir(folder.path()).mkpath(name));
        return folder.filePath(name);
    }
};

} // namespace

// Transcribed once, corrected, a speaker renamed, exported as JSON beside the recording:
// reopened, it is the same text and segments with the recording ready, and nothing runs.
TEST_F(Resuming, ATranscriptExportedAsJsonReopensWithItsRecording)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QString recording = folder.filePath(u"entrevista.wav"_s);
    ASSERT_TRUE(writeWav(recording, 3));
    open(recording);
    workflows->transcription().transcribe();
    ASSERT_TRUE(waitUntilIdle());
    QList<TranscriptSegment> segments = session->transcriptSegments();
    ASSERT_EQ(segments.size(), 2);
    ReaderView reader(*workflows);
    reader.resize(760, 560);
    reader.show();
    QTextEdit *text = reader.document()->textView();

    QTextCursor end(text->document()->firstBlock());
    end.movePosition(QTextCursor::EndOfBlock);
    text->setTextCursor(end);
    text->setFocus();
    QTest::keyClicks(text, u" Tudo certo."_s);
    prompts.textAnswers.enqueue(u"Bruno Lima"_s);
    reader.renameSpeaker(text->document()->findBlockByNumber(2));
    const QString edited = session->sourceText();
    ASSERT_EQ(edited,
              u"[00:00:00 - 00:00:01] Ana: Ola\u0301. Tudo certo.\n\n[00:00:01 - 00:00:03] Bruno Lima: Tudo bem?"_s);

    // Saved as the dialog proposes, with the JSON type picked.
    const QString saved = folder.filePath(u"entrevista-wav-original.json"_s);
    prompts.saveAnswers.enqueue(saved);
    workflows->document().exportText();
    ASSERT_EQ(prompts.saveDialogsShown.size(), 1);
    EXPECT_EQ(prompts.saveDialogsShown.last().proposedName, u"entrevista-wav-original.txt"_s);
    EXPECT_TRUE(prompts.saveDialogsShown.last().allowedTypes.contains(UserPrompts::FileType::json));
    EXPECT_FALSE(session->hasUnsavedChanges());
    segments[0].texto += u" Tudo certo."_s;
    segments[1].locutor = u"Bruno Lima"_s;
    EXPECT_EQ(Transcript::decode(readFile(saved), false).segments, segments);

    QFile::remove(runtime.path() + u"/seen.json"_s);
    workflows->document().loadExample();
    ASSERT_FALSE(session->hasSourcePlayer());
    open(saved);
    EXPECT_EQ(session->sourceText(), edited);
    EXPECT_EQ(session->transcriptSegments(), segments);
    EXPECT_TRUE(session->hasSourcePlayer());
    EXPECT_NEAR(session->duration(), 3, 0.01);
    EXPECT_EQ(session->status(), u"Transcrição aberta com a gravação"_s);
    EXPECT_EQ(session->sourceURL(), QUrl::fromLocalFile(saved));
    EXPECT_FALSE(session->busy());
    EXPECT_FALSE(session->hasUnsavedChanges());

    // The recording plays and the reader follows it.
    workflows->playback().playSourceFrom(segments[1].inicio + 0.1);
    EXPECT_TRUE(session->sourcePlaying());
    EXPECT_EQ(reader.follower()->markedSegment(), 1);
    workflows->playback().stopSource();
    workflows->transcription().transcribe(); // the recording is there to be heard, not transcribed
    EXPECT_FALSE(session->busy());
    QTest::qWait(200);
    EXPECT_FALSE(runtime.has(u"seen.json"_s)) << "nothing was transcribed again";

    // Elsewhere, without its recording, it opens as any transcript does.
    const QString alone = subfolder(u"sozinho"_s) + u"/entrevista-wav-original.json"_s;
    ASSERT_TRUE(QFile::copy(saved, alone));
    open(alone);
    EXPECT_EQ(session->sourceText(), edited);
    EXPECT_EQ(session->transcriptSegments(), segments);
    EXPECT_FALSE(session->hasSourcePlayer());
    EXPECT_EQ(session->status(), u"Pronto"_s);
}

TEST_F(Resuming, TheExportOffersJsonOnlyWhileTheParagraphsMatchTheSegments)
{
    open(writeFile(u"curta.json"_s, Transcript::encode({{u"Ana"_s, 0, 1, u"Oi."_s}, {u"Bruno"_s, 1, 2, u"Olá."_s}})));
    workflows->document().exportText();
    EXPECT_TRUE(prompts.saveDialogsShown.last().allowedTypes.contains(UserPrompts::FileType::json));

    session->setSourceText(session->sourceText() + u"\n\nUm parágrafo a mais."_s);
    workflows->document().exportText();
    EXPECT_FALSE(prompts.saveDialogsShown.last().allowedTypes.contains(UserPrompts::FileType::json));

    // Asked for .json anyway (a name typed by hand), the text is written as it is.
    const QString path = folder.filePath(u"texto.json"_s);
    prompts.saveAnswers.enqueue(path);
    workflows->document().exportText();
    EXPECT_EQ(QString::fromUtf8(readFile(path)), session->sourceText());
}

// Which file beside a transcript is its recording: the same name, an audio or video
// extension in either case; nothing else.
TEST_F(Resuming, TheRecordingBesideIsFoundByNameAndType)
{
    FakeAudioPlayers players;
    workflows->playback().setAudioPlayerFactory(players.factory());
    const QByteArray transcript = Transcript::encode({{u"Ana"_s, 0, 1, u"Oi."_s}});
    struct Case
    {
        QString folder;
        QStringList files; // the transcript is the first
        QString recording; // empty: none
    };
    const QList<Case> cases{
        {u"mp3"_s, {u"aula.json"_s, u"aula.mp3"_s}, u"aula.mp3"_s},
        {u"maiusculas"_s, {u"aula.json"_s, u"aula.MKV"_s}, u"aula.MKV"_s},
        {u"pontos"_s, {u"aula.01.json"_s, u"aula.01.m4a"_s, u"aula.m4a"_s}, u"aula.01.m4a"_s},
        {u"texto"_s, {u"aula.json"_s, u"aula.txt"_s, u"aula.srt"_s}, QString()},
        {u"outro-nome"_s, {u"aula.json"_s, u"aula-2.wav"_s, u"Aula.wav"_s}, QString()},
        {u"pasta"_s, {u"aula.json"_s, u"aula.wav/"_s}, QString()},
        {u"pipe"_s, {u"aula.json"_s, u"aula.wav|"_s}, QString()},
        {u"exportado"_s, {u"aula-01-mp3-original.json"_s, u"aula.01.mp3"_s}, u"aula.01.mp3"_s},
        {u"exportado-outro"_s, {u"aula-mp3-original.json"_s, u"aula.wav"_s, u"aula-mp3.wav"_s}, QString()},
        {u"exportado-texto"_s, {u"aula-txt-original.json"_s, u"aula.txt"_s}, QString()},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.folder.toStdString());
        const QDir place(subfolder(row.folder));
        for (const QString &name : row.files) {
            if (name.endsWith(u'/'))
                ASSERT_TRUE(place.mkpath(name));
            else if (name.endsWith(u'|'))
                ASSERT_EQ(::mkfifo(QFile::encodeName(place.filePath(name.chopped(1))).constData(), 0600), 0);
            else
                ASSERT_TRUE(writeFile(row.folder + u'/' + name, name == row.files.first() ? transcript : "audio")
                            != QString());
        }
        players.made.clear();
        open(place.filePath(row.files.first()));
        EXPECT_EQ(session->sourceText(), u"[00:00:00 - 00:00:01] Ana: Oi."_s);
        EXPECT_EQ(session->hasSourcePlayer(), !row.recording.isEmpty());
        EXPECT_EQ(players.made.keys(),
                  row.recording.isEmpty() ? QStringList() : QStringList{place.filePath(row.recording)});
        EXPECT_EQ(session->status(), row.recording.isEmpty() ? u"Pronto"_s : u"Transcrição aberta com a gravação"_s);
    }

    // A recording beside that no player takes: the transcript opens alone, and says nothing more.
    players.refused = true;
    open(folder.filePath(u"mp3/aula.json"_s));
    EXPECT_FALSE(session->hasSourcePlayer());
    EXPECT_EQ(session->status(), u"Pronto"_s);
}

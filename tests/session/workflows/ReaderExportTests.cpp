#include "tests/session/workflows/WorkflowFixture.h"

#include "Telvora/Document/RtfReader.h"
#include "tests/support/ProgramOutput.h"
#include "tests/support/RunTask.h"
#include "tests/support/SmallFileSystem.h"

#include <QDir>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class ReaderExport : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        makeWorkflowSession();
        workflows->document().loadExample();
    }
};

} // namespace

TEST_F(ReaderExport, TitleAndProposedNameFollowTheShownText)
{
    struct Case
    {
        const char *name;
        bool showsSource;
        OutputKind kind;
        QString sourceName;
        QString title;
        QString proposed;
        bool code;
    };
    const Case cases[] = {
        {"example summary", false, OutputKind::summary, u"Exemplo · ideias.txt"_s, u"Resumo"_s,
         u"Exemplo · ideias-txt-resumo.txt"_s, false},
        {"source shown", true, OutputKind::summary, u"aula.final.txt"_s, u"Original"_s,
         u"aula-final-txt-original.txt"_s, false},
        {"presentation", false, OutputKind::quintara, u"gravação.m4a"_s, u"Quintara"_s, u"gravação-m4a-quintara.md"_s,
         true},
        {"name without dots", false, OutputKind::summary, u"Nenhum arquivo"_s, u"Resumo"_s,
         u"Nenhum arquivo-resumo.txt"_s, false},
        {"instructional", false, OutputKind::instructional, u"a.b"_s, u"Instrucional"_s, u"a-b-instrucional.txt"_s,
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        session->setReaderShowsSource(c.showsSource);
        session->setGeneratedKind(c.kind);
        session->setSourceName(c.sourceName);
        EXPECT_EQ(session->readerTitle(), c.title);
        EXPECT_EQ(workflows->document().exportFileName(), c.proposed);
        EXPECT_EQ(session->readerIsCode(), c.code);
        EXPECT_EQ(session->readerText(), c.showsSource ? session->sourceText() : session->outputText());
    }
}

TEST_F(ReaderExport, EditingTheReaderWritesTheShownText)
{
    session->setReaderShowsSource(true);
    session->setReaderText(u"fonte editada"_s);
    EXPECT_EQ(session->sourceText(), u"fonte editada"_s);
    session->setReaderShowsSource(false);
    session->setReaderText(u"documento editado"_s);
    EXPECT_EQ(session->outputText(), u"documento editado"_s);
}

TEST_F(ReaderExport, PlainExportWritesUtf8AndSavesOnlyThatText)
{
    const QString openedSource = session->sourceText();
    session->setSourceText(session->sourceText() + u" editada"_s);
    session->setOutputText(session->outputText() + u" ✓"_s);
    const QString path = folder.filePath(u"documento.MD"_s);
    prompts.saveAnswers.enqueue(path);
    workflows->document().exportText();

    ASSERT_EQ(prompts.saveDialogsShown.size(), 1);
    EXPECT_EQ(prompts.saveDialogsShown.first().proposedName, u"Exemplo · ideias-txt-resumo.txt"_s);
    EXPECT_EQ(prompts.saveDialogsShown.first().allowedTypes,
              (QList<UserPrompts::FileType>{UserPrompts::FileType::plainText, UserPrompts::FileType::rtf,
                                            UserPrompts::FileType::odt}));
    EXPECT_EQ(readFile(path), session->outputText().toUtf8());
    EXPECT_EQ(session->status(), u"Exportado"_s);
    EXPECT_TRUE(session->hasUnsavedChanges()) << "the source edit is still unsaved";
    session->setSourceText(openedSource);
    EXPECT_FALSE(session->hasUnsavedChanges()) << "the exported document counts as saved";
}

TEST_F(ReaderExport, RtfExportInAnyCaseIsStyledAndReadsBack)
{
    const QString path = folder.filePath(u"documento.RtF"_s);
    prompts.saveAnswers.enqueue(path);
    workflows->document().exportText();
    const QByteArray bytes = readFile(path);
    ASSERT_TRUE(bytes.startsWith("{\\rtf1"));
    EXPECT_TRUE(bytes.contains("\\fs64")) << "the title is set in 32 points";
    EXPECT_EQ(RtfReader::read(bytes), session->outputText());
}

TEST_F(ReaderExport, PresentationOffersPlainTextOnlyAndKeepsTheMarkdown)
{
    session->setGeneratedKind(OutputKind::quintara);
    session->setOutputText(u"# Deck\n\n---\n\n**negrito**"_s);
    const QString path = folder.filePath(u"deck.md"_s);
    prompts.saveAnswers.enqueue(path);
    workflows->document().exportText();
    EXPECT_EQ(prompts.saveDialogsShown.first().allowedTypes,
              QList<UserPrompts::FileType>{UserPrompts::FileType::plainText});
    EXPECT_EQ(readFile(path), "# Deck\n\n---\n\n**negrito**");
}

TEST_F(ReaderExport, FailedWriteKeepsTheTextUnsavedAndLeavesNoFile)
{
    session->setOutputText(u"novo documento"_s);
    const QString path = folder.filePath(u"sem-pasta/documento.txt"_s);
    prompts.saveAnswers.enqueue(path);
    workflows->document().exportText();
    EXPECT_EQ(session->status(), u"Erro"_s);
    ASSERT_TRUE(session->errorMessage());
    EXPECT_FALSE(session->errorMessage()->isEmpty());
    EXPECT_TRUE(session->hasUnsavedChanges());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ReaderExport, AFullDiskKeepsTheOldFileAndTheTextUnsaved)
{
    SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    const QString path = disk.filePath(u"documento.txt"_s);
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("a versão anterior");
    }
    ASSERT_TRUE(disk.fill());
    session->setOutputText(u"novo documento"_s);
    prompts.saveAnswers.enqueue(path);
    workflows->document().exportText();
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_EQ(session->errorMessage(), u"Não há espaço livre em disco para gravar "_s + path + u'.');
    EXPECT_TRUE(session->hasUnsavedChanges());
    EXPECT_EQ(readFile(path), "a versão anterior");
}

TEST_F(ReaderExport, OverwritingAnExistingFileReplacesItWhole)
{
    const QString path = writeFile(u"documento.txt"_s, QByteArray(5000, 'x'));
    prompts.saveAnswers.enqueue(path);
    session->setOutputText(u"curto"_s);
    workflows->document().exportText();
    EXPECT_EQ(readFile(path), "curto");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).filter(u"documento"_s).size(), 1);
}

TEST_F(ReaderExport, CancelledDialogAndEmptyTextChangeNothing)
{
    session->setOutputText(u"editado"_s);
    workflows->document().exportText(); // the dialog answers "cancel"
    EXPECT_EQ(prompts.saveDialogsShown.size(), 1);
    EXPECT_EQ(session->status(), u"Exemplo"_s);
    EXPECT_TRUE(session->hasUnsavedChanges());

    session->setOutputText(QString());
    workflows->document().exportText();
    workflows->document().openElsewhere();
    EXPECT_EQ(prompts.saveDialogsShown.size(), 1);
    EXPECT_TRUE(prompts.openedElsewhere.isEmpty());
}

TEST_F(ReaderExport, OpenElsewhereWritesAFreshCopyEachTime)
{
    workflows->document().openElsewhere();
    workflows->document().openElsewhere();
    ASSERT_EQ(prompts.openedElsewhere.size(), 2);
    EXPECT_NE(prompts.openedElsewhere[0], prompts.openedElsewhere[1]);
    for (const QString &path : prompts.openedElsewhere) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(QFileInfo(path).fileName().contains(
            QRegularExpression(u"^Telvora-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.txt$"_s)));
        EXPECT_EQ(readFile(path), session->outputText().toUtf8());
        QFile::remove(path);
    }
    EXPECT_FALSE(session->hasUnsavedChanges());
}

TEST_F(ReaderExport, OpenElsewhereWithoutAnOpenerSaysSoAndWhereTheCopyIs)
{
    prompts.hasOpener = false;
    workflows->document().openElsewhere();
    ASSERT_EQ(prompts.openedElsewhere.size(), 1);
    const QString path = prompts.openedElsewhere.first();
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_EQ(session->errorMessage(),
              u"Nenhum aplicativo pôde abrir o texto. A cópia está em "_s + path
                  + u"; abra-a por conta própria ou instale o xdg-utils."_s);
    EXPECT_EQ(readFile(path), session->outputText().toUtf8());
    QFile::remove(path);
}

namespace {

const QByteArray twoSpeakerTranscript = R"([
    {"locutor": "Ana", "inicio": 0.5, "fim": 3.25, "texto": "Bom dia a todos."},
    {"locutor": "Bruno", "inicio": 3.25, "fim": 5, "texto": "Obrigado, Ana <e> equipe."}
])";

} // namespace

TEST_F(ReaderExport, ATranscriptSourceAlsoExportsSubtitlesThatOpenAgainAsPlainText)
{
    test::runTask(
        workflows->document().importFile(QUrl::fromLocalFile(writeFile(u"entrevista.json"_s, twoSpeakerTranscript))));
    session->setSourceText(QString(session->sourceText()).replace(u"Bom dia"_s, u"Boa tarde"_s));
    struct Case
    {
        const char *name;
        QString file;
        QByteArray expected;
    };
    const Case cases[] = {
        {"SubRip", u"entrevista.srt"_s,
         "1\n00:00:00,500 --> 00:00:03,250\nAna: Boa tarde a todos.\n\n"
         "2\n00:00:03,250 --> 00:00:05,000\nBruno: Obrigado, Ana <e> equipe.\n"},
        {"WebVTT", u"entrevista.VTT"_s,
         "WEBVTT\n\n00:00:00.500 --> 00:00:03.250\n<v Ana>Boa tarde a todos.\n\n"
         "00:00:03.250 --> 00:00:05.000\n<v Bruno>Obrigado, Ana &lt;e&gt; equipe.\n"},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        session->setReaderShowsSource(true);
        const QString path = folder.filePath(row.file);
        prompts.saveAnswers.enqueue(path);
        workflows->document().exportText();
        using Type = UserPrompts::FileType;
        EXPECT_EQ(prompts.saveDialogsShown.last().allowedTypes,
                  (QList{Type::plainText, Type::rtf, Type::odt, Type::subRip, Type::webVtt, Type::json}));
        EXPECT_EQ(readFile(path), row.expected);
        EXPECT_EQ(session->status(), u"Exportado"_s);
        EXPECT_FALSE(session->hasUnsavedChanges());

        test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
        EXPECT_EQ(session->sourceText(), QString::fromUtf8(row.expected)) << "a subtitle file opens as plain text";
        EXPECT_FALSE(workflows->document().subtitleSegments()) << "and is no transcript of its own";
        test::runTask(workflows->document().importFile(
            QUrl::fromLocalFile(writeFile(u"entrevista.json"_s, twoSpeakerTranscript))));
        session->setSourceText(QString(session->sourceText()).replace(u"Bom dia"_s, u"Boa tarde"_s));
    }
}

TEST_F(ReaderExport, SubtitlesAreOfferedOnlyForATranscriptThatStillMatchesItsSegments)
{
    using Type = UserPrompts::FileType;
    const QList<Type> documentTypes{Type::plainText, Type::rtf, Type::odt};
    struct Case
    {
        const char *name;
        std::function<void()> arrange;
        QList<Type> offered;
    };
    const Case cases[] = {
        {"the example's source", [&] { session->setReaderShowsSource(true); }, documentTypes},
        {"a transcript's generated document",
         [&] {
             test::runTask(
                 workflows->document().importFile(QUrl::fromLocalFile(writeFile(u"t.json"_s, twoSpeakerTranscript))));
             session->setOutputText(u"Resumo"_s);
             session->setReaderShowsSource(false);
         },
         documentTypes},
        {"a transcript with a paragraph added",
         [&] {
             test::runTask(
                 workflows->document().importFile(QUrl::fromLocalFile(writeFile(u"t.json"_s, twoSpeakerTranscript))));
             session->setSourceText(session->sourceText() + u"\n\nNota da edição"_s);
         },
         documentTypes},
        {"a transcript opened after another source",
         [&] {
             test::runTask(
                 workflows->document().importFile(QUrl::fromLocalFile(writeFile(u"t.json"_s, twoSpeakerTranscript))));
             test::runTask(workflows->document().importFile(QUrl::fromLocalFile(writeFile(u"notas.txt"_s, "Ana: oi"))));
         },
         documentTypes},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        row.arrange();
        workflows->document().exportText();
        ASSERT_FALSE(prompts.saveDialogsShown.isEmpty());
        EXPECT_EQ(prompts.saveDialogsShown.last().allowedTypes, row.offered);
        EXPECT_FALSE(workflows->document().subtitleSegments());
    }
}

TEST_F(ReaderExport, OpenDocumentExportWritesTheShownDocumentForWordProcessors)
{
    const QString path = folder.filePath(u"documento.ODT"_s);
    prompts.saveAnswers.enqueue(path);
    workflows->document().exportText();
    EXPECT_EQ(session->status(), u"Exportado"_s);
    EXPECT_TRUE(readFile(path).startsWith("PK\x03\x04"));
    const QString readBack = QString::fromUtf8(programOutput(u"odt2txt"_s, {u"--encoding=UTF-8"_s, path}));
    EXPECT_EQ(readBack.simplified(), session->outputText().simplified());
}

#include "tests/session/workflows/WorkflowFixture.h"

#include "Telvora/Document/RtfWriter.h"
#include "tests/support/RunTask.h"
#include "tests/support/Unprivileged.h"

#include <QDir>
#include <QStringEncoder>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class Opening : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        makeWorkflowSession();
        workflows->document().loadExample();
        readerShown = 0;
    }

    // What the session shows; a refused open must leave all of it as it was.
    QStringList snapshot() const
    {
        return {session->sourceText(),
                session->outputText(),
                session->sourceName(),
                session->sourceURL().toString(),
                QString::number(session->detectedSpeakers()),
                session->readerShowsSource() ? u"source"_s : u"output"_s};
    }

    void expectRefused(const QString &path, const QString &message)
    {
        const QStringList before = snapshot();
        test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
        EXPECT_EQ(session->status(), u"Erro"_s);
        EXPECT_EQ(session->errorMessage(), message);
        EXPECT_EQ(snapshot(), before);
    }
};

QByteArray utf16WithBom(const QString &text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

} // namespace

TEST_F(Opening, ExampleHasItsFixedContent)
{
    EXPECT_EQ(session->sourceText().toUtf8().size(), 331);
    EXPECT_EQ(session->outputText().toUtf8().size(), 984);
    EXPECT_EQ(session->sourceName(), u"Exemplo · ideias.txt"_s);
    EXPECT_EQ(session->status(), u"Exemplo"_s);
    EXPECT_EQ(session->detectedSpeakers(), 2);
    EXPECT_TRUE(session->isExample());
    EXPECT_FALSE(session->readerShowsSource());
    EXPECT_FALSE(session->hasUnsavedChanges());
    EXPECT_TRUE(session->outputText().startsWith(u"O espaço das ideias\n\nIntrodução\n\n"_s));
}

TEST_F(Opening, TextFilesBecomeTheSource)
{
    struct Case
    {
        const char *name;
        QString fileName;
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"capital extension", u"NOTAS.TXT"_s, "Olá, mundo", u"Olá, mundo"_s},
        {"markdown", u"a.markdown"_s, "# Título\n", u"# Título\n"_s},
        {"subtitles keep cues", u"aula.srt"_s, "1\n00:00:01,000 --> 00:00:02,000\nBom dia",
         u"1\n00:00:01,000 --> 00:00:02,000\nBom dia"_s},
        {"utf-16 with byte-order mark", u"u16.txt"_s, utf16WithBom(u"ação"_s), u"ação"_s},
        {"utf-16 with a surrogate pair", u"u16emoji.txt"_s, utf16WithBom(u"fim 😀"_s), u"fim 😀"_s},
        {"rtf", u"carta.rtf"_s, RtfWriter::write(u"Carta\n\nCorpo com ç"_s), u"Carta\n\nCorpo com ç"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = writeFile(c.fileName, c.bytes);
        test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
        EXPECT_EQ(session->sourceText(), c.text);
        EXPECT_TRUE(session->outputText().isEmpty());
        EXPECT_EQ(session->sourceName(), c.fileName);
        EXPECT_EQ(session->sourceURL(), QUrl::fromLocalFile(path));
        EXPECT_EQ(session->status(), u"Pronto"_s);
        EXPECT_TRUE(session->readerShowsSource());
        EXPECT_FALSE(session->isExample());
        EXPECT_FALSE(session->hasUnsavedChanges());
    }
    EXPECT_EQ(readerShown, std::size(cases));
}

TEST_F(Opening, TranscriptUsesTheTimecodeSettingAndCountsSpeakers)
{
    const QString path = writeFile(u"fala.json"_s, R"([{"locutor":"Ana","inicio":3.9,"fim":65.2,"texto":"Bom dia."},
        {"locutor":"Bruno","inicio":66,"fim":70,"texto":"Olá."}])");
    session->setTimecodes(false);
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
    EXPECT_EQ(session->sourceText(), u"Ana: Bom dia.\n\nBruno: Olá."_s);
    EXPECT_EQ(session->detectedSpeakers(), 2);
    session->setTimecodes(true);
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
    EXPECT_TRUE(session->sourceText().startsWith(u"[00:00:03 - 00:01:05] Ana: Bom dia."_s));
}

TEST_F(Opening, UnusableFilesAreRefusedWithoutChangingAnything)
{
    expectRefused(folder.filePath(u"ausente.txt"_s),
                  u"O arquivo "_s + folder.filePath(u"ausente.txt"_s) + u" não foi encontrado."_s);
    for (const QString &name : {u"pasta.txt"_s, u"pasta.json"_s, u"pasta.rtf"_s}) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(QDir(folder.path()).mkpath(name));
        expectRefused(folder.filePath(name), folder.filePath(name) + u" é uma pasta, não um arquivo."_s);
    }
    // Neither UTF-8 nor UTF-16: an odd byte count, or 16-bit units with a surrogate
    // that has no partner.
    const std::pair<const char *, QByteArray> undecodable[] = {
        {"Latin-1 of odd length", QByteArray("\xe7\xe3o")},
        {"a low surrogate alone",
         QByteArray("a\0\x00\xdc"
                    "b\0",
                    6)},
        {"a high surrogate at the end", QByteArray("a\0\x3d\xd8", 4)},
        {"a high surrogate before a letter",
         QByteArray("\x3d\xd8"
                    "a\0",
                    4)},
    };
    for (const auto &[name, bytes] : undecodable) {
        SCOPED_TRACE(name);
        expectRefused(writeFile(u"indecifravel.txt"_s, bytes),
                      u"Não foi possível ler o texto. Exporte-o como UTF-8 ou RTF."_s);
    }
    expectRefused(writeFile(u"vazio.json"_s, "[]"), u"Nenhuma fala foi detectada no áudio."_s);

    const QStringList before = snapshot();
    for (const auto &[name, bytes] : {std::pair{u"objeto.json"_s, QByteArray(R"({"locutor":"Ana"})")},
                                      std::pair{u"quebrado.rtf"_s, QByteArray("{\\rtf1 sem fim")},
                                      std::pair{u"texto.rtf"_s, QByteArray("não é rtf")}}) {
        SCOPED_TRACE(name.toStdString());
        session->setErrorMessage(std::nullopt);
        test::runTask(workflows->document().importFile(QUrl::fromLocalFile(writeFile(name, bytes))));
        EXPECT_EQ(session->status(), u"Erro"_s);
        ASSERT_TRUE(session->errorMessage());
        EXPECT_FALSE(session->errorMessage()->isEmpty());
        EXPECT_EQ(snapshot(), before);
    }
}

TEST_F(Opening, WhatIsNotARegularFileIsRefusedWithoutWaitingOnIt)
{
    // Opening a FIFO for reading waits for a writer, here forever.
    for (const QString &name : {u"fila.txt"_s, u"fila.json"_s, u"fila.mp3"_s, u"fila"_s}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = folder.filePath(name);
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        expectRefused(path,
                      u"“%1” não é um arquivo comum (é um pipe ou um dispositivo) e não pode ser aberto."_s.arg(name));
    }
    const QString device = u"/dev/null"_s;
    expectRefused(device, u"“null” não é um arquivo comum (é um pipe ou um dispositivo) e não pode ser aberto."_s);
}

TEST_F(Opening, SourcesBeyondTheLimitsAreRefusedNamingTheLimit)
{
    const QString tooLarge = u"O arquivo passa do limite de 16 MB para textos, RTF e transcrições e não foi aberto."_s;
    for (const QString &name : {u"grande.txt"_s, u"grande.rtf"_s, u"grande.json"_s}) {
        SCOPED_TRACE(name.toStdString());
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(16 * 1024 * 1024 + 1));
        file.close();
        expectRefused(file.fileName(), tooLarge);
    }

    QByteArray segments = "[";
    for (int i = 0; i <= 100'000; ++i)
        segments += QByteArray(i ? "," : "") + R"({"locutor":"A","inicio":0,"fim":1,"texto":"a"})";
    expectRefused(writeFile(u"longa.json"_s, segments + ']'),
                  u"A transcrição passa do limite de 100.000 trechos e não foi aberta."_s);

    // At the limits, the files open.
    QFile limit(folder.filePath(u"limite.txt"_s));
    ASSERT_TRUE(limit.open(QIODevice::WriteOnly));
    ASSERT_TRUE(limit.resize(16 * 1024 * 1024));
    limit.close();
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(limit.fileName())));
    EXPECT_EQ(session->sourceText().size(), 16 * 1024 * 1024);
    segments.truncate(segments.lastIndexOf(",{"));
    test::runTask(
        workflows->document().importFile(QUrl::fromLocalFile(writeFile(u"no-limite.json"_s, segments + ']'))));
    EXPECT_EQ(session->transcriptSegments().size(), 100'000);
}

TEST_F(Opening, AFileWithoutReadPermissionIsRefusedInPortuguese)
{
    const QString locked = writeFile(u"trancado.txt"_s, "segredo");
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
    QFile::setPermissions(locked, QFile::WriteOwner);
    // In a child process, which gives up root first.
    EXPECT_EXIT(
        {
            if (!becomeUnprivileged())
                std::_Exit(2);
            test::runTask(workflows->document().importFile(QUrl::fromLocalFile(locked)));
            const QString outcome = session->status() + u' ' + session->errorMessage().value_or(QString());
            std::fputs(outcome.toStdString().c_str(), stderr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "Erro Sem permissão para ler .*/trancado\\.txt\\.");
}

TEST_F(Opening, RecordingEmptiesTheTexts)
{
    makeNarration();
    session->markSaved();
    const QString narrationFolder = this->narrationFolder();
    const QString path = writeFile(u"entrevista.mp3"_s, "not really audio");
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
    EXPECT_TRUE(session->sourceText().isEmpty());
    EXPECT_TRUE(session->outputText().isEmpty());
    EXPECT_EQ(session->status(), u"Áudio aberto"_s);
    EXPECT_EQ(session->duration(), 0);
    EXPECT_FALSE(hasNarration());
    EXPECT_FALSE(QFileInfo::exists(narrationFolder));
    EXPECT_FALSE(session->hasUnsavedChanges());
}

TEST_F(Opening, UnsavedTextRaisesTheAlert)
{
    const QString next = writeFile(u"proximo.txt"_s, "próximo");
    session->setOutputText(u"documento editado"_s);

    // "Cancelar"
    prompts.alertAnswers.enqueue(0);
    workflows->document().loadExample();
    ASSERT_EQ(prompts.alertsShown.size(), 1);
    const auto &alert = prompts.alertsShown.first();
    EXPECT_EQ(alert.message, u"Há texto que ainda não foi exportado."_s);
    EXPECT_EQ(alert.informativeText,
              u"Exporte o documento para guardar suas alterações antes de substituir o arquivo."_s);
    EXPECT_EQ(alert.buttons, (QStringList{u"Cancelar"_s, u"Descartar e continuar"_s, u"Exportar"_s}));
    EXPECT_EQ(session->outputText(), u"documento editado"_s);

    // "Exportar": the export runs, the file is not opened.
    prompts.alertAnswers.enqueue(2);
    const QString exportPath = folder.filePath(u"salvo.txt"_s);
    prompts.saveAnswers.enqueue(exportPath);
    prompts.openAnswers.enqueue(next);
    test::runTask(workflows->document().openFile());
    EXPECT_EQ(readFile(exportPath), "documento editado");
    EXPECT_TRUE(prompts.openDialogsShown.isEmpty());
    EXPECT_EQ(session->outputText(), u"documento editado"_s);
    EXPECT_FALSE(session->hasUnsavedChanges());

    // Now saved: the open dialog comes straight away.
    test::runTask(workflows->document().openFile());
    ASSERT_EQ(prompts.openDialogsShown.size(), 1);
    EXPECT_EQ(prompts.openDialogsShown.first().message, u"Abra um áudio, texto, transcrição ou legenda."_s);
    EXPECT_EQ(session->sourceText(), u"próximo"_s);
    EXPECT_EQ(prompts.alertsShown.size(), 2);

    // "Descartar e continuar"
    session->setSourceText(u"rascunho"_s);
    prompts.alertAnswers.enqueue(1);
    workflows->document().loadExample();
    EXPECT_TRUE(session->isExample());
    EXPECT_EQ(prompts.alertsShown.size(), 3);
}

TEST_F(Opening, NothingOpensWhileBusy)
{
    credentials.items.insert(u"openai"_s, "sk");
    server.enqueue(LoopbackServer::Reply::stall(R"({"status":"completed"})", 1));
    workflows->generation().generate();
    ASSERT_TRUE(session->busy());
    test::runTask(workflows->document().openFile());
    EXPECT_EQ(session->errorMessage(), u"Cancele a operação atual antes de abrir outro arquivo."_s);
    EXPECT_TRUE(prompts.openDialogsShown.isEmpty());
    workflows->cancel();
    ASSERT_TRUE(waitUntilIdle());
}

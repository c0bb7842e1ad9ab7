#include "tests/shell/commandline/CommandLineFixture.h"

#include "Telvora/Shell/CommandLine/CommandLineHelp.h"
#include "Telvora/Shell/CommandLine/TerminalProgress.h"

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

using CommandLineUsage = CommandLineFixture;

TEST_F(CommandLineUsage, HelpIsPrintedInPortuguese)
{
    const struct
    {
        const char *name;
        QStringList arguments;
        QString expected;
    } cases[]{
        {"the program's", {u"--help"_s}, CommandLineHelp::general()},
        {"the program's, short", {u"-h"_s}, CommandLineHelp::general()},
        {"transcribe's",
         {u"transcribe"_s, u"--help"_s},
         CommandLineHelp::forCommand(CommandLineRequest::Command::transcribe)},
        {"generate's, after a file",
         {u"generate"_s, u"a.txt"_s, u"-h"_s},
         CommandLineHelp::forCommand(CommandLineRequest::Command::generate)},
        {"narrate's", {u"narrate"_s, u"--help"_s}, CommandLineHelp::forCommand(CommandLineRequest::Command::narrate)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.out, c.expected);
        EXPECT_TRUE(outcome.out.startsWith(u"Uso: telvora"_s));
    }
}

TEST_F(CommandLineUsage, AWrongCommandLineIsRefusedBeforeAnyWork)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QString recording = writeFile(u"a.wav"_s, wavBytes(0.5));
    const struct
    {
        const char *name;
        QStringList arguments;
        QString message;
    } cases[]{
        {"unknown option", {u"transcribe"_s, u"--modelo"_s, u"small"_s, recording}, u"Opção desconhecida 'modelo'."_s},
        {"missing value", {u"transcribe"_s, recording, u"--model"_s}, u"Faltando valor após '--model'."_s},
        {"no file", {u"transcribe"_s, u"--json"_s}, u"Indique ao menos um arquivo."_s},
        {"speakers not a number",
         {u"transcribe"_s, u"--speakers"_s, u"dois"_s, recording},
         u"O número de locutores deve ser um inteiro de 0 (automático) a 100: “dois”."_s},
        {"speakers beyond the engine's limit",
         {u"transcribe"_s, u"--speakers"_s, u"101"_s, recording},
         u"O número de locutores deve ser um inteiro de 0 (automático) a 100: “101”."_s},
        {"unknown transcript format",
         {u"transcribe"_s, u"-f"_s, u"txt,docx"_s, recording},
         u"Valor inválido para --format: “docx”. Use um destes: json, txt, srt, vtt."_s},
        {"unknown kind",
         {u"generate"_s, u"--kind"_s, u"poema"_s, recording},
         u"Valor inválido para --kind: “poema”. Use um destes: resumo, sinopse, literaria, instrucional, quintara."_s},
        {"unknown length",
         {u"generate"_s, u"--length"_s, u"enorme"_s, recording},
         u"Valor inválido para --length: “enorme”. Use um destes: curta, media, longa."_s},
        {"presentation as RTF",
         {u"generate"_s, u"--kind"_s, u"Quintara"_s, u"-f"_s, u"rtf"_s, recording},
         u"Uma apresentação Quintara é Markdown: use --format md ou --format txt."_s},
        {"ElevenLabs without a voice",
         {u"narrate"_s, u"--provider"_s, u"elevenlabs"_s, recording},
         u"Indique a voz da ElevenLabs com --voice (o identificador da voz, como nas configurações do Telvora)."_s},
        {"a voice the speech model lacks",
         {u"narrate"_s, u"--model"_s, u"tts-1"_s, u"--voice"_s, u"marin"_s, recording},
         u"O modelo tts-1 não oferece a voz “marin”. Vozes: "_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_TRUE(outcome.err.startsWith(c.message)) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.endsWith(u"Use “telvora %1 --help” para ver as opções.\n"_s.arg(c.arguments[0])));
        EXPECT_EQ(outcome.out, QString());
    }
    EXPECT_FALSE(QFileInfo::exists(work(u"a.json"_s)));
    EXPECT_FALSE(runtime.has(u"seen.json"_s));
}

TEST(TerminalProgressLine, FitsTheTerminal)
{
    const QString head = u"[3/40] entrevista-longa.mp3 · Reconhecendo a fala…"_s;
    const struct
    {
        const char *name;
        std::optional<double> fraction;
        std::optional<double> secondsLeft;
        int columns;
        QString expected;
    } cases[]{
        {"a step without progress", std::nullopt, std::nullopt, 80, head},
        {"a bar with the percentage", 0.426, std::nullopt, 80, head + u" ████████░░░░░░░░░░░░ 42\u00a0%"_s},
        {"and the time left", 0.5, 190.0, 100, head + u" ██████████░░░░░░░░░░ 50\u00a0% · cerca de 3\u00a0min"_s},
        {"the head cut to fit", 0.5, std::nullopt, 60, head.left(32) + u"… ██████████░░░░░░░░░░ 50\u00a0%"_s},
        {"a terminal narrower than the bar", 1.0, std::nullopt, 20, head.left(19)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString line = TerminalProgress::barLine(head, c.fraction, c.secondsLeft, c.columns);
        EXPECT_EQ(line, c.expected);
        EXPECT_LT(line.size(), c.columns);
    }
}

} // namespace

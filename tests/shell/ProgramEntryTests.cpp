#include "TelvoraCore/Authoring/CoreResources.h"
#include "TelvoraCore/Authoring/QuintaraAuthoring.h"
#include "TelvoraCore/Editorial/Editorial.h"
#include "tests/support/FileTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace telvora;
using telvora::test::copyTree;
using namespace Qt::Literals::StringLiterals;

namespace {

// The interactive application prints nothing; with "--verify-transcription" it checks
// itself and quits on its own.
const QString interactiveLine;
// The tests run without a transcription runtime (see tests/shell/CMakeLists.txt).
const QString localCheckLine =
    u"A engine local de transcrição não está instalada. Instale-a com telvora-install-engine.\n"_s;

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

QString builtProgram() { return QDir(QCoreApplication::applicationDirPath()).filePath(u"telvora"_s); }

Outcome run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    // A generous guard so that a hung program fails the test instead of blocking the suite.
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "telvora did not finish";
        return {};
    }
    Outcome outcome;
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

QString guideLine(const QString &instructions)
{
    return u"Guia Quintara carregado: %1 bytes de instruções.\n"_s.arg(instructions.toUtf8().size());
}

// A copy of the program in a temporary folder, so that the bundle beside it can be shaped per test.
class RelocatedProgram
{
public:
    RelocatedProgram()
    {
        m_program = m_dir.filePath(u"telvora"_s);
        EXPECT_TRUE(QFile::copy(builtProgram(), m_program));
        QFile::setPermissions(m_program, QFile::permissions(builtProgram()));
    }

    const QString &program() const { return m_program; }
    QString coreBundle() const { return m_dir.filePath(u"Telvora_TelvoraCore.bundle"_s); }
    QString guideFolder() const { return QDir(coreBundle()).filePath(u"QuintaraAuthoring"_s); }

private:
    QTemporaryDir m_dir;
    QString m_program;
};

TEST(GuideCheck, PrintsTheUtf8SizeOfThePresentationInstructions)
{
    const QString instructions = Editorial::instructions(OutputKind::quintara, OutputLength::short_);
    // The guide is Portuguese: bytes, not characters, are what is reported.
    ASSERT_GT(instructions.toUtf8().size(), instructions.size());

    for (const QStringList &arguments :
         {QStringList{u"--verify-quintara-authoring"_s},
          QStringList{u"--file"_s, u"x.txt"_s, u"--verify-quintara-authoring"_s},
          QStringList{u"--verify-local-transcription"_s, u"a.wav"_s, u"--verify-quintara-authoring"_s}}) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const Outcome outcome = run(builtProgram(), arguments);
        EXPECT_EQ(outcome.out, guideLine(instructions));
        EXPECT_EQ(outcome.exitCode, 0);
    }
}

TEST(GuideCheck, ReadsTheBundleBesideTheProgramFirst)
{
    RelocatedProgram relocated;
    for (const QString &path : QuintaraAuthoring::documents()) {
        const QString file = QDir(relocated.guideFolder()).filePath(path);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(u"Seção curta de "_s.append(path).toUtf8());
    }
    const QString expected = Editorial::basePrompt() + OutputKind(OutputKind::quintara).instruction() + u'\n'
        + OutputLength(OutputLength::short_).instruction() + u"\n\n"_s
        + QuintaraAuthoring::instructions(relocated.guideFolder());

    const Outcome outcome = run(relocated.program(), {u"--verify-quintara-authoring"_s});
    EXPECT_EQ(outcome.out, guideLine(expected));
    EXPECT_EQ(outcome.exitCode, 0);
}

TEST(GuideCheck, FallsBackToTheBuildTreeWithoutABundleBesideTheProgram)
{
    RelocatedProgram relocated;
    const Outcome outcome = run(relocated.program(), {u"--verify-quintara-authoring"_s});
    EXPECT_EQ(outcome.out, guideLine(Editorial::instructions(OutputKind::quintara, OutputLength::short_)));
    EXPECT_EQ(outcome.exitCode, 0);
}

TEST(GuideCheck, PrintsTheGuideProblemAndFails)
{
    const struct
    {
        const char *name;
        std::function<void(const RelocatedProgram &)> shapeBundle;
        QString expected;
    } cases[]{
        {"bundle without the guide folder",
         [](const RelocatedProgram &p) { QDir().mkpath(QDir(p.coreBundle()).filePath(u"Outros"_s)); },
         u"O guia Quintara está ausente deste build. Recompile o Telvora com seus recursos.\n"_s},
        {"guide with a blank syntax reference",
         [](const RelocatedProgram &p) {
             copyTree(QDir(CoreResources::bundlePath()).filePath(u"QuintaraAuthoring"_s), p.guideFolder());
             QFile blank(QDir(p.guideFolder()).filePath(u"references/syntax.md"_s));
             ASSERT_TRUE(blank.open(QIODevice::WriteOnly | QIODevice::Truncate));
             blank.write("\n   \n");
         },
         u"O guia Quintara está incompleto (references/syntax.md). Atualize os recursos e recompile o Telvora.\n"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RelocatedProgram relocated;
        c.shapeBundle(relocated);
        const Outcome outcome = run(relocated.program(), {u"--verify-quintara-authoring"_s});
        EXPECT_EQ(outcome.out, c.expected);
        EXPECT_EQ(outcome.err, QString());
        EXPECT_EQ(outcome.exitCode, 1);
    }
}

TEST(ModeSelection, PicksTheModeFromWholeArguments)
{
    const QString guide = guideLine(Editorial::instructions(OutputKind::quintara, OutputLength::short_));
    const struct
    {
        const char *name;
        QStringList arguments;
        QString expected;
    } cases[]{
        {"no arguments", {}, interactiveLine},
        {"local check with two arguments",
         {u"--verify-local-transcription"_s, u"a.wav"_s, u"b.json"_s},
         interactiveLine},
        {"local check with two arguments beside the guide flag",
         {u"--verify-quintara-authoring"_s, u"--verify-local-transcription"_s, u"a.wav"_s, u"b.json"_s},
         guide},
        {"local check with three arguments",
         {u"--verify-local-transcription"_s, u"a.wav"_s, u"b.json"_s, u"small"_s},
         localCheckLine},
        {"local check wins over the guide flag before it",
         {u"--verify-quintara-authoring"_s, u"--verify-local-transcription"_s, u"a.wav"_s, u"b.json"_s, u"small"_s},
         localCheckLine},
        {"local check wins over the guide flag after it",
         {u"--verify-local-transcription"_s, u"a.wav"_s, u"b.json"_s, u"small"_s, u"--verify-quintara-authoring"_s},
         localCheckLine},
        {"guide flag with a value", {u"--verify-quintara-authoring=1"_s}, interactiveLine},
        {"guide flag in upper case", {u"--VERIFY-QUINTARA-AUTHORING"_s}, interactiveLine},
        {"local flag with a value",
         {u"--verify-local-transcription=a.wav"_s, u"b.json"_s, u"small"_s, u"x"_s},
         interactiveLine},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const bool interactive = c.expected == interactiveLine;
        // In front, so that it is never taken as one of the local check's three arguments.
        const QStringList arguments =
            interactive ? QStringList{u"--verify-transcription"_s} + c.arguments : c.arguments;
        const Outcome outcome = run(builtProgram(), arguments);
        EXPECT_EQ(outcome.out, c.expected);
        EXPECT_EQ(outcome.exitCode, c.expected == localCheckLine ? 1 : 0);
    }
}

} // namespace

#include "TelvoraCore/Authoring/CoreResources.h"
#include "TelvoraCore/Authoring/QuintaraAuthoring.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Support/ResourceBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <functional>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString preface = u"Contrato de autoria Quintara incluído no Telvora:\n"_s;
const QString closingHead = u"\n\nAplicação deste contrato no Telvora:\n"_s;
const QString closingTail = u"Cabeçalhos contíguos no topo; cercas internas dos diagramas preservadas."_s;

QString incompleteMessage(const QString &path)
{
    return u"O guia Quintara está incompleto ("_s + path + u"). Atualize os recursos e recompile o Telvora."_s;
}

QString header(const QString &path) { return u"--- Referência Quintara: "_s + path + u" ---\n"_s; }

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

// A guide folder in a temporary directory whose five files hold distinct, recognisable texts.
class Guide
{
public:
    Guide()
    {
        for (const QString &path : QuintaraAuthoring::documents())
            write(path, contentOf(path).toUtf8());
    }

    static QString contentOf(const QString &path) { return u"# "_s + path + u"\nConteúdo de "_s + path + u'.'; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &path) const { return m_dir.filePath(path); }
    void write(const QString &path, const QByteArray &bytes) const { writeFile(filePath(path), bytes); }

    // The failure message of composing the guide, or an empty string when it succeeds.
    QString failure() const
    {
        try {
            QuintaraAuthoring::instructions(path());
        } catch (const TelvoraError &error) {
            return error.message();
        }
        return {};
    }

private:
    QTemporaryDir m_dir;
};

TEST(GuideFolder, ComposesPrefaceSectionsInOrderAndClosingRules)
{
    const Guide guide;
    const QString text = QuintaraAuthoring::instructions(guide.path());

    QString sections;
    for (const QString &path : QuintaraAuthoring::documents())
        sections += (sections.isEmpty() ? QString() : u"\n\n"_s) + header(path) + Guide::contentOf(path);
    ASSERT_TRUE(text.startsWith(preface + header(u"SKILL.md"_s)));
    ASSERT_TRUE(text.startsWith(preface + sections + closingHead)) << text.toStdString();

    const QStringList rules = text.mid((preface + sections + closingHead).size()).split(u'\n');
    EXPECT_EQ(rules.size(), 9);
    for (const QString &rule : rules)
        EXPECT_TRUE(rule.startsWith(u"- "_s)) << rule.toStdString();
    EXPECT_TRUE(text.endsWith(closingTail));
    EXPECT_FALSE(text.endsWith(u'\n'));
}

TEST(GuideFolder, DocumentsAreTheFiveGuideFilesInOrder)
{
    EXPECT_EQ(QuintaraAuthoring::documents(),
              (QStringList{u"SKILL.md"_s, u"references/syntax.md"_s, u"references/commands.md"_s,
                           u"references/media.md"_s, u"references/validation.md"_s}));
}

TEST(GuideFolder, KeepsLeadingAndTrailingBlankLinesOfAFile)
{
    const Guide guide;
    const QString padded = u"\n\n  Sintaxe com margens\n\n\n"_s;
    guide.write(u"references/syntax.md"_s, padded.toUtf8());

    const QString text = QuintaraAuthoring::instructions(guide.path());
    EXPECT_TRUE(
        text.contains(header(u"references/syntax.md"_s) + padded + u"\n\n"_s + header(u"references/commands.md"_s)));
}

TEST(GuideFolder, ReportsTheFirstUnusableFile)
{
    struct Case
    {
        const char *name;
        std::function<void(const Guide &)> damage;
        QString expectedPath;
    };
    const std::vector<Case> cases{
        {"blank commands before a missing media file",
         [](const Guide &g) {
             g.write(u"references/commands.md"_s, " \n\t\n  \r\n");
             QFile::remove(g.filePath(u"references/media.md"_s));
         },
         u"references/commands.md"_s},
        {"missing skill file", [](const Guide &g) { QFile::remove(g.filePath(u"SKILL.md"_s)); }, u"SKILL.md"_s},
        {"empty syntax file", [](const Guide &g) { g.write(u"references/syntax.md"_s, {}); },
         u"references/syntax.md"_s},
        {"invalid byte in syntax file",
         [](const Guide &g) { g.write(u"references/syntax.md"_s, "Sintaxe \xff\xfe v\xc3\xa1lida"); },
         u"references/syntax.md"_s},
        {"validation file cut inside a character",
         [](const Guide &g) { g.write(u"references/validation.md"_s, "Valida\xc3"); }, u"references/validation.md"_s},
        {"overlong encoding in media file", [](const Guide &g) { g.write(u"references/media.md"_s, "M\xc0\xaf"); },
         u"references/media.md"_s},
        {"media path is a folder",
         [](const Guide &g) {
             QFile::remove(g.filePath(u"references/media.md"_s));
             QDir().mkpath(g.filePath(u"references/media.md"_s));
         },
         u"references/media.md"_s},
        {"no references folder", [](const Guide &g) { QDir(g.filePath(u"references"_s)).removeRecursively(); },
         u"references/syntax.md"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Guide guide;
        c.damage(guide);
        EXPECT_EQ(guide.failure(), incompleteMessage(c.expectedPath));
    }
}

TEST(GuideFolder, RepairedFilesAreReadAgainWithoutRestart)
{
    const Guide guide;
    guide.write(u"references/media.md"_s, "\n");
    EXPECT_EQ(guide.failure(), incompleteMessage(u"references/media.md"_s));

    guide.write(u"references/media.md"_s, "Mídia corrigida.");
    EXPECT_TRUE(QuintaraAuthoring::instructions(guide.path()).contains(u"Mídia corrigida."_s));
}

TEST(ShippedGuide, LoadsFromTheCoreBundleWithEveryFileSubstantial)
{
    const QString folder = QDir(CoreResources::bundlePath()).filePath(u"QuintaraAuthoring"_s);
    const QString text = QuintaraAuthoring::instructions();
    EXPECT_EQ(text, QuintaraAuthoring::instructions(folder));

    for (const QString &path : QuintaraAuthoring::documents()) {
        SCOPED_TRACE(path.toStdString());
        QFile file(QDir(folder).filePath(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString content = QString::fromUtf8(file.readAll());
        EXPECT_GT(content.split(QRegularExpression(u"\\s+"_s), Qt::SkipEmptyParts).size(), 500);
        EXPECT_TRUE(text.contains(header(path) + content));
    }
}

// The closing rules lean on these constructs, so the guide itself must teach them.
TEST(ShippedGuide, DefinesWhatTheClosingRulesReferTo)
{
    const QString folder = QDir(CoreResources::bundlePath()).filePath(u"QuintaraAuthoring"_s);
    const auto read = [&](const QString &path) {
        QFile file(QDir(folder).filePath(path));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const struct
    {
        QString file;
        QString term;
    } expectations[]{
        {u"references/syntax.md"_s, u"\n^ "_s},
        {u"references/syntax.md"_s, u"`---`"_s},
        {u"references/syntax.md"_s, u"{2,5-7}"_s},
        {u"references/commands.md"_s, u"LAYOUT: colunas"_s},
        {u"references/commands.md"_s, u"```ascii\n"_s},
        {u"references/commands.md"_s, u"```mermaid\n"_s},
        {u"references/commands.md"_s, u"ART-RESULT"_s},
        {u"references/commands.md"_s, u"espaço para o texto"_s},
        {u"references/commands.md"_s, u"exclusões"_s},
        {u"references/media.md"_s, u"não são assets disponíveis"_s},
        {u"references/validation.md"_s, u"## 5. Fidelidade à fonte"_s},
        {u"references/commands.md"_s, u"```mermaid\nsequenceDiagram\n"_s},
        {u"SKILL.md"_s, u"[hh:mm:ss - hh:mm:ss]"_s},
        {u"SKILL.md"_s, u"Locutor 1"_s},
        {u"references/validation.md"_s, u"mais de duas linhas `PAUSA`"_s},
    };
    for (const auto &e : expectations)
        EXPECT_TRUE(read(e.file).contains(e.term)) << e.file.toStdString() << ": " << e.term.toStdString();
}

TEST(ResourceBundleLookup, FindsResourcesByNameAndExtension)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"Fonte-Regular.ttf"_s), "ttf");
    QDir(dir.path()).mkdir(u"Guia"_s);
    const ResourceBundle bundle(dir.path());

    EXPECT_EQ(bundle.resource(u"Fonte-Regular"_s, u"ttf"_s), dir.filePath(u"Fonte-Regular.ttf"_s));
    EXPECT_EQ(bundle.resource(u"Guia"_s), dir.filePath(u"Guia"_s));
    EXPECT_EQ(bundle.resource(u"Fonte-Regular"_s), std::nullopt);
    EXPECT_EQ(bundle.resource(u"Fonte-Regular"_s, u"otf"_s), std::nullopt);
    EXPECT_EQ(bundle.resource(u"icone"_s, u"png"_s), std::nullopt);
}

TEST(ResourceBundleLookup, LooksBesideTheExecutableBeforeTheBuildTree)
{
    QTemporaryDir buildTree;
    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces) + u".bundle"_s;
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../share/telvora/"_s + name);

    EXPECT_EQ(ResourceBundle::searchPaths(name, buildTree.path()).mid(0, 3),
              (QStringList{beside, installed, buildTree.path()}));

    auto found = ResourceBundle::locate(name, buildTree.path());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path(), QDir::cleanPath(buildTree.path()));
    EXPECT_FALSE(ResourceBundle::locate(name, buildTree.filePath(u"absent"_s)));

    ASSERT_TRUE(QDir().mkdir(beside));
    found = ResourceBundle::locate(name, buildTree.path());
    QDir().rmdir(beside);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path(), beside);
}

TEST(ResourceBundleLookup, CoreBundleIsTheOneBesideTheExecutable)
{
    EXPECT_EQ(CoreResources::bundlePath(),
              QDir(QCoreApplication::applicationDirPath()).filePath(u"Telvora_TelvoraCore.bundle"_s));
}

} // namespace

namespace telvora {
namespace {

// Models copy examples: every flowchart in the guide keeps its words with accents,
// spaces or punctuation inside double quotes, as the guide requires.
TEST(ShippedGuide, FlowchartExamplesQuoteEveryLabel)
{
    const QString folder = QDir(CoreResources::bundlePath()).filePath(u"QuintaraAuthoring"_s);
    const QRegularExpression quoted(u"\"[^\"]*\""_s);
    const QRegularExpression bare(u"[^A-Za-z0-9 \\[\\]{}()|>\\-]"_s);
    int flowcharts = 0;
    for (const QString &path : QuintaraAuthoring::documents()) {
        QFile file(QDir(folder).filePath(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        bool inFlowchart = false;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (lines[i].startsWith(u"```"_s)) {
                inFlowchart = false;
                continue;
            }
            if (lines[i - 1] == u"```mermaid"_s && lines[i].startsWith(u"flowchart"_s)) {
                inFlowchart = true;
                ++flowcharts;
                continue;
            }
            if (!inFlowchart)
                continue;
            QString unquoted = lines[i];
            unquoted.remove(quoted);
            EXPECT_FALSE(unquoted.contains(bare)) << path.toStdString() << ": " << lines[i].toStdString();
        }
    }
    EXPECT_GE(flowcharts, 2);
}

} // namespace
} // namespace telvora

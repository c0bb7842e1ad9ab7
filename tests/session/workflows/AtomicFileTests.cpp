#include "Telvora/Session/AtomicFile.h"

#include "TelvoraCore/Errors/Error.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<ausente>");
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QString failureOf(const std::function<void()> &write)
{
    try {
        write();
    } catch (const FileError &error) {
        return error.message();
    }
    return u"<gravado>"_s;
}

using Writer = void (*)(const QString &, const QByteArray &);
const std::pair<const char *, Writer> writers[] = {{"write", &AtomicFile::write},
                                                   {"writeInSharedFolder", &AtomicFile::writeInSharedFolder}};

} // namespace

TEST(AtomicFile, AFullDiskKeepsTheOldFileAndSaysSo)
{
    SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    const QString target = disk.filePath(u"documento.txt"_s);
    put(target, "o texto anterior");
    ASSERT_TRUE(disk.fill());
    // Qt buffers up to 16 KB before it writes anything.
    for (const qsizetype size :
         {qsizetype(10), qsizetype(16 * 1024 - 1), qsizetype(16 * 1024), qsizetype(100 * 1024)}) {
        for (const auto &[name, write] : writers) {
            SCOPED_TRACE(std::string(name) + ", " + std::to_string(size) + " bytes");
            EXPECT_EQ(failureOf([&, write = write] { write(target, QByteArray(size, 'n')); }),
                      u"Não há espaço livre em disco para gravar "_s + target + u'.');
            EXPECT_EQ(contentOf(target), "o texto anterior");
            EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                      (QStringList{u".filler"_s, u"documento.txt"_s}));
        }
    }
}

TEST(AtomicFile, ALinkPlantedInASharedFolderIsReplacedNotFollowed)
{
    QTemporaryDir shared;
    QTemporaryDir home;
    const QString victim = QDir(home.path()).filePath(u".bashrc"_s);
    put(victim, "o arquivo de outra pessoa");
    const QString planted = QDir(shared.path()).filePath(u"transcription-check.json"_s);
    ASSERT_TRUE(QFile::link(victim, planted));

    AtomicFile::writeInSharedFolder(planted, "{\"status\": \"Transcrito\"}");
    EXPECT_EQ(contentOf(victim), "o arquivo de outra pessoa");
    EXPECT_FALSE(QFileInfo(planted).isSymLink());
    EXPECT_EQ(contentOf(planted), "{\"status\": \"Transcrito\"}");
    EXPECT_EQ(QFileInfo(planted).permissions() & (QFile::ReadOther | QFile::WriteOther), QFile::Permissions());
    EXPECT_EQ(QDir(shared.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{u"transcription-check.json"_s});

    // A dangling link, whose target a plain open would create.
    const QString dangling = QDir(shared.path()).filePath(u"controller.png"_s);
    const QString created = QDir(home.path()).filePath(u"criado.png"_s);
    ASSERT_TRUE(QFile::link(created, dangling));
    AtomicFile::writeInSharedFolder(dangling, "png");
    EXPECT_FALSE(QFileInfo::exists(created));
    EXPECT_EQ(contentOf(dangling), "png");
}

TEST(AtomicFile, FailuresNameTheFileAndWhatIsWrongWithIt)
{
    QTemporaryDir folder;
    const QString subfolder = QDir(folder.path()).filePath(u"pasta"_s);
    ASSERT_TRUE(QDir().mkpath(subfolder));
    const QString missing = QDir(folder.path()).filePath(u"ausente.txt"_s);
    const QString inMissingFolder = QDir(folder.path()).filePath(u"falta/novo.txt"_s);
    const struct
    {
        const char *name;
        std::function<void()> action;
        QString message;
    } cases[]{
        {"reading a missing file", [&] { AtomicFile::read(missing); },
         u"O arquivo "_s + missing + u" não foi encontrado."_s},
        {"reading a folder", [&] { AtomicFile::read(subfolder); }, subfolder + u" é uma pasta, não um arquivo."_s},
        {"writing over a folder", [&] { AtomicFile::write(subfolder, "x"); },
         subfolder + u" é uma pasta, não um arquivo."_s},
        {"writing into a missing folder", [&] { AtomicFile::write(inMissingFolder, "x"); },
         u"Não foi possível gravar "_s + inMissingFolder + u": a pasta não existe."_s},
        {"writing into a missing shared folder", [&] { AtomicFile::writeInSharedFolder(inMissingFolder, "x"); },
         u"Não foi possível gravar "_s + inMissingFolder + u": a pasta não existe."_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(failureOf(c.action), c.message);
    }
}

TEST(AtomicFile, AFileWithoutReadPermissionSaysSo)
{
    QTemporaryDir folder;
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
    const QString locked = QDir(folder.path()).filePath(u"trancado.txt"_s);
    put(locked, "segredo");
    QFile::setPermissions(locked, QFile::WriteOwner);
    // In a child process, which gives up root first.
    EXPECT_EXIT(
        {
            if (!becomeUnprivileged())
                std::_Exit(2);
            std::fputs(failureOf([&] { AtomicFile::read(locked); }).toStdString().c_str(), stderr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "Sem permissão para ler .*/trancado\\.txt\\.");
}

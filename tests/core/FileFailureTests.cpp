#include "TelvoraCore/Errors/FileFailure.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;
using FileFailure::Access;

TEST(FileFailure, EverySystemErrorTheUserCanActOnHasItsOwnSentence)
{
    const QString path = u"/home/ana/notas.txt"_s;
    const struct
    {
        const char *name;
        Access access;
        int code;
        QString message;
    } cases[]{
        {"disk full", Access::writing, ENOSPC, u"Não há espaço livre em disco para gravar /home/ana/notas.txt."_s},
        {"quota used up", Access::writing, EDQUOT, u"Não há espaço livre em disco para gravar /home/ana/notas.txt."_s},
        {"no permission to write", Access::writing, EACCES, u"Sem permissão para gravar /home/ana/notas.txt."_s},
        {"operation not permitted", Access::writing, EPERM, u"Sem permissão para gravar /home/ana/notas.txt."_s},
        {"no permission to read", Access::reading, EACCES, u"Sem permissão para ler /home/ana/notas.txt."_s},
        {"missing file", Access::reading, ENOENT, u"O arquivo /home/ana/notas.txt não foi encontrado."_s},
        {"a path through a file", Access::reading, ENOTDIR, u"O arquivo /home/ana/notas.txt não foi encontrado."_s},
        {"missing folder", Access::writing, ENOENT,
         u"Não foi possível gravar /home/ana/notas.txt: a pasta não existe."_s},
        {"a folder read", Access::reading, EISDIR, u"/home/ana/notas.txt é uma pasta, não um arquivo."_s},
        {"a folder written", Access::writing, EISDIR, u"/home/ana/notas.txt é uma pasta, não um arquivo."_s},
        {"read-only disk", Access::writing, EROFS,
         u"Não foi possível gravar /home/ana/notas.txt: o disco é somente leitura."_s},
        {"input/output error reading", Access::reading, EIO, u"Não foi possível ler /home/ana/notas.txt."_s},
        {"unknown error writing", Access::writing, 0, u"Não foi possível gravar /home/ana/notas.txt."_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FileFailure::message(c.access, path, c.code), c.message);
    }
}

TEST(FileFailure, QtsDescriptionsGiveBackTheirSystemError)
{
    for (const int code : {ENOSPC, EDQUOT, EACCES, EPERM, ENOENT, ENOTDIR, EISDIR, EROFS}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(FileFailure::systemError(qt_error_string(code)), code);
        // Some callers put the file's name first.
        EXPECT_EQ(FileFailure::systemError(u"out.json: "_s + qt_error_string(code)), code);
    }
    for (const QString &other : {u"Unknown error"_s, QString(), qt_error_string(EIO), u"file to open is a directory"_s})
        EXPECT_EQ(FileFailure::systemError(other), 0) << other.toStdString();
}

TEST(FileFailure, QtsOwnWordingIsToldByWhatThePathIs)
{
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(u"pasta"_s));
    const struct
    {
        const char *name;
        Access access;
        QString path;
        QString message;
    } cases[]{
        {"a folder opened for reading", Access::reading, folder.filePath(u"pasta"_s),
         folder.filePath(u"pasta"_s) + u" é uma pasta, não um arquivo."_s},
        {"a missing file", Access::reading, folder.filePath(u"nada.txt"_s),
         u"O arquivo "_s + folder.filePath(u"nada.txt"_s) + u" não foi encontrado."_s},
        {"a missing folder", Access::writing, folder.filePath(u"falta/x.txt"_s),
         u"Não foi possível gravar "_s + folder.filePath(u"falta/x.txt"_s) + u": a pasta não existe."_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile file(c.path);
        EXPECT_FALSE(file.open(c.access == Access::reading ? QIODevice::ReadOnly : QIODevice::WriteOnly));
        EXPECT_EQ(FileFailure::error(c.access, c.path, file).message(), c.message);
    }
}

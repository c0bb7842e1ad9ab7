#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <string>

#include <sys/mount.h>
#include <unistd.h>

namespace telvora::test {

/// A tmpfs of a few hundred kilobytes mounted for one test: a real file system to fill up.
/// Mounting takes root; without it, or where the kernel refuses, reason() says why, for
/// GTEST_SKIP().
class SmallFileSystem
{
public:
    explicit SmallFileSystem(int kilobytes = 256)
    {
        if (::geteuid() != 0) {
            m_reason = "mounting a small tmpfs to fill takes root";
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0755";
        if (::mount("tmpfs", QFile::encodeName(m_folder.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData())
            != 0) {
            m_reason = std::string("mounting a tmpfs failed: ") + std::strerror(errno);
            return;
        }
        m_mounted = true;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder.path()).constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool mounted() const { return m_mounted; }
    const std::string &reason() const { return m_reason; }
    QString path() const { return m_folder.path(); }
    QString filePath(const QString &name) const { return m_folder.filePath(name); }

    /// Takes every byte still free, so the next write fails with ENOSPC.
    bool fill() const
    {
        QFile filler(filePath(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, '\0');
        while (filler.write(block) == block.size()) {}
        // Whatever is left is smaller than a block; a byte at a time takes it.
        while (filler.write(block.constData(), 1) == 1) {}
        return true;
    }

private:
    QTemporaryDir m_folder;
    bool m_mounted = false;
    std::string m_reason;
};

} // namespace telvora::test

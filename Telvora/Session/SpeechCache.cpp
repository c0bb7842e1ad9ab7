#include "Telvora/Session/SpeechCache.h"

#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Support/SavedFile.h"
#include "TelvoraCore/Support/XdgFolders.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

// Changes whenever the keys or the entries change shape, so old entries are never misread.
constexpr QByteArrayView entryMagic = "telvora-cache 1\n";
constexpr qsizetype checksumSize = 32;
constexpr QStringView entrySuffix = u".entry";

// Every field goes in after its length, so no two lists of fields hash the same bytes
// ("ab" + "c" is not "a" + "bc").
class FramedHash
{
public:
    explicit FramedHash(QByteArrayView kind) { add(kind); }

    FramedHash &add(QByteArrayView bytes)
    {
        const quint64 length = qToBigEndian(quint64(bytes.size()));
        m_hash.addData(QByteArrayView(reinterpret_cast<const char *>(&length), sizeof length));
        m_hash.addData(bytes);
        return *this;
    }
    // Texts are hashed as the UTF-8 that goes to the provider.
    FramedHash &add(const QString &text) { return add(QByteArrayView(text.toUtf8())); }

    QByteArray result() const { return m_hash.result(); }

private:
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
};

QByteArray checksum(const QByteArray &key, QByteArrayView content)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(key);
    hash.addData(content);
    return hash.result();
}

} // namespace

QString SpeechCache::defaultFolder() { return QDir(XdgFolders::cacheHome()).filePath(u"telvora/speech"_s); }

SpeechCache::SpeechCache(QString folder, qint64 capacity)
    : m_folder(std::move(folder))
    , m_capacity(capacity)
{}

QByteArray SpeechCache::partKey(VoiceProvider provider, const QString &model, const QString &voice,
                                const QString &format, const QString &text)
{
    return FramedHash("part").add(provider.rawValue()).add(model).add(voice).add(format).add(text).result();
}

QByteArray SpeechCache::scriptKey(const QString &model, const QString &instructions, const QString &text)
{
    return FramedHash("script").add(model).add(instructions).add(text).result();
}

QString SpeechCache::entryPath(const QByteArray &key) const
{
    return QDir(m_folder).filePath(QString::fromLatin1(key.toHex()) + entrySuffix.toString());
}

std::optional<QByteArray> SpeechCache::find(const QByteArray &key) const
{
    QFile file(entryPath(key));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    const qsizetype header = entryMagic.size() + checksumSize;
    const bool intact = bytes.size() >= header && QByteArrayView(bytes).startsWith(entryMagic)
        && QByteArrayView(bytes).sliced(entryMagic.size(), checksumSize)
            == checksum(key, QByteArrayView(bytes).sliced(header));
    if (!intact) {
        if (file.remove())
            dropFromIndex(file.fileName());
        return std::nullopt;
    }
    // The modification time is the last use: access times are often not kept (noatime).
    file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    if (m_index)
        noteUse(file.fileName(), bytes.size());
    return bytes.remove(0, header);
}

void SpeechCache::store(const QByteArray &key, const QByteArray &content) const
{
    if (!QDir().mkpath(m_folder))
        return;
    // The scripts are the user's documents rewritten.
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSaveFile file(entryPath(key));
    qint64 stored = 0;
    try {
        SavedFile::open(file);
        const QByteArray sum = checksum(key, content);
        for (const QByteArrayView piece : {entryMagic, QByteArrayView(sum), QByteArrayView(content)}) {
            if (file.write(piece.data(), piece.size()) != piece.size())
                SavedFile::fail(file);
        }
        stored = file.size();
        SavedFile::commit(file);
    } catch (const FileError &) {
        return; // the cache is only a saving: a part that cannot be kept is asked for again
    }
    if (!m_index)
        buildIndex();
    noteUse(file.fileName(), stored);
    trim();
}

void SpeechCache::forget(const QByteArray &key) const
{
    if (QFile::remove(entryPath(key)))
        dropFromIndex(entryPath(key));
}

void SpeechCache::buildIndex() const
{
    QList<Entry> all;
    const QFileInfoList files = QDir(m_folder).entryInfoList({u"*"_s + entrySuffix.toString()}, QDir::Files);
    all.reserve(files.size());
    m_size = 0;
    for (const QFileInfo &file : files) {
        // Another process may have removed it since the listing.
        if (!file.exists())
            continue;
        all.append({file.filePath(), file.size(), file.lastModified().toMSecsSinceEpoch()});
        m_size += file.size();
    }
    std::sort(all.begin(), all.end(), [](const Entry &a, const Entry &b) { return a.lastUse < b.lastUse; });
    m_index = std::move(all);
}

void SpeechCache::dropFromIndex(const QString &path) const
{
    if (!m_index)
        return;
    const auto found = std::find_if(m_index->begin(), m_index->end(), [&](const Entry &e) { return e.path == path; });
    if (found == m_index->end())
        return;
    m_size -= found->size;
    m_index->erase(found);
}

void SpeechCache::noteUse(const QString &path, qint64 size) const
{
    dropFromIndex(path);
    m_index->append({path, size, QDateTime::currentMSecsSinceEpoch()});
    m_size += size;
}

void SpeechCache::trim() const
{
    if (m_size <= m_capacity)
        return;
    // Other processes (a second narration, a batch on the command line) store into, use and
    // trim the same folder: before anything goes, the index is read again from the folder, so
    // an entry another process just stored or used is not taken for an old one and one it
    // removed is not counted.
    buildIndex();
    // Oldest use first; the entry just stored is last, so it goes only when it alone is
    // larger than the whole cache. A removal that fails found the entry gone already.
    while (m_size > m_capacity && !m_index->isEmpty()) {
        const Entry oldest = m_index->takeFirst();
        QFile::remove(oldest.path);
        m_size -= oldest.size;
    }
}

} // namespace telvora

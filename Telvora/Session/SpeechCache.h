#pragma once

#include "TelvoraCore/Vocabulary/VoiceProvider.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace telvora {

/// The speech parts and narration scripts already paid for, kept on disk so that a
/// narration retried after a failure asks the providers only for what it lacks.
///
/// Entries are named by a SHA-256 key over what decides their content (never an API key)
/// and written atomically, each with a checksum over key and content. The cache is a
/// convenience: every failure of it (a missing, unreadable, damaged or unwritable entry or
/// folder) reads as "not cached" and never fails the caller. Beyond `capacity` bytes the
/// least recently used entries go; a hit counts as a use.
class SpeechCache
{
public:
    static constexpr qint64 defaultCapacity = qint64(1) << 30;

    /// $XDG_CACHE_HOME/telvora/speech (~/.cache when XDG_CACHE_HOME is unset or relative).
    static QString defaultFolder();

    explicit SpeechCache(QString folder = defaultFolder(), qint64 capacity = defaultCapacity);

    /// The key of one synthesised chunk.
    static QByteArray partKey(VoiceProvider provider, const QString &model, const QString &voice, const QString &format,
                              const QString &text);
    /// The key of the spoken script a text model wrote for `text` under `instructions`.
    static QByteArray scriptKey(const QString &model, const QString &instructions, const QString &text);

    /// The content stored under `key`, intact, or nothing. A damaged entry is removed.
    std::optional<QByteArray> find(const QByteArray &key) const;
    /// Stores `content` under `key`, then trims the cache to its capacity.
    void store(const QByteArray &key, const QByteArray &content) const;
    void forget(const QByteArray &key) const;

    const QString &folder() const { return m_folder; }
    QString entryPath(const QByteArray &key) const;

private:
    struct Entry
    {
        QString path;
        qint64 size = 0;
        qint64 lastUse = 0; // milliseconds since the epoch
    };
    // The entries, least recently used first, listed from the folder at the first store and
    // then kept in step, so that a store never walks thousands of files on the GUI thread;
    // listed again only when a store takes the cache past its capacity.
    void buildIndex() const;
    void dropFromIndex(const QString &path) const;
    void noteUse(const QString &path, qint64 size) const;
    void trim() const;

    QString m_folder;
    qint64 m_capacity;
    mutable std::optional<QList<Entry>> m_index;
    mutable qint64 m_size = 0;
};

} // namespace telvora

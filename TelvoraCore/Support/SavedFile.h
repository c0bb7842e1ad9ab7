#pragma once

class QSaveFile;

/// Atomic writes through QSaveFile that fail loudly: the target is replaced only once
/// every byte is on disk, and a failure throws FileError worded for the user.
namespace telvora::SavedFile {

/// Opens `file` for writing a fresh copy of its target.
void open(QSaveFile &file);

/// Replaces the target with what was written. Qt keeps small writes in a buffer and its
/// commit() does not report a failure to flush them (a full disk), so the buffer is
/// flushed and synced here first; on failure the target stays as it was.
void commit(QSaveFile &file);

/// Throws the failure `file` reports; for a write() that came up short.
[[noreturn]] void fail(QSaveFile &file);

} // namespace telvora::SavedFile

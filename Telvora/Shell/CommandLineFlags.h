#pragma once

#include <QString>

/// The program's command-line flags, read both by the entry (to pick a mode) and by the
/// application delegate (to act on them).
namespace telvora::CommandLineFlags {

using namespace Qt::Literals::StringLiterals;

inline const QString verifyLocalTranscription = u"--verify-local-transcription"_s;
inline const QString verifyQuintaraAuthoring = u"--verify-quintara-authoring"_s;
inline const QString file = u"--file"_s;
inline const QString capture = u"--capture"_s;
inline const QString verifyTranscription = u"--verify-transcription"_s;

} // namespace telvora::CommandLineFlags

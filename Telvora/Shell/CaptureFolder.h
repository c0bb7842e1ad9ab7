#pragma once

#include <QString>

#include <optional>

namespace telvora::CaptureFolder {

/// The "TelvoraCapturePath" string of the application's metadata ("Info.json" in the
/// application bundle), when it is there and is a string.
std::optional<QString> configuredPath();

/// Where the window captures go: the configured path, else "telvora-captures" in the
/// temporary folder.
QString forCaptures();

/// Where the transcription check file goes: the configured path, else "/tmp".
QString forCheck();

} // namespace telvora::CaptureFolder

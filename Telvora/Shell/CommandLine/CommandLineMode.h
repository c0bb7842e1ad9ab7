#pragma once

#include <QStringList>

/// The commands that run without a window ("telvora transcribe|generate|narrate …" and
/// "telvora --help"), for batches and scripts: one process, one file after the other.
namespace telvora::CommandLineMode {

/// True when the command line asks for this mode: its first argument is a command or
/// "--help"/"-h".
bool isRequested(const QStringList &arguments);

/// Runs the command and answers the exit status.
int run(int argc, char *argv[]);

} // namespace telvora::CommandLineMode

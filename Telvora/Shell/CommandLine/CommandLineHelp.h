#pragma once

#include "Telvora/Shell/CommandLine/CommandLineRequest.h"

#include <QString>

/// The help the command line prints for "telvora --help" and "telvora <command> --help".
namespace telvora::CommandLineHelp {

QString general();
QString forCommand(CommandLineRequest::Command command);

} // namespace telvora::CommandLineHelp

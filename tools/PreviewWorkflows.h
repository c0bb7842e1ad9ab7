#pragma once

// The workflows a preview tool shows, on settings of their own so that a preview never
// touches the user's, with the desktop's keychain and dialogs.

#include "Telvora/Interface/QtUserPrompts.h"
#include "Telvora/Session/Credentials/SecretServiceBackend.h"
#include "Telvora/Session/Workflows.h"

#include <QSettings>
#include <QTemporaryDir>

namespace telvora::tools {

struct PreviewWorkflows
{
    QTemporaryDir folder;
    QSettings settings{folder.filePath(QStringLiteral("preview.ini")), QSettings::IniFormat};
    SecretServiceBackend credentials;
    QtUserPrompts prompts;
    Workflows workflows{{settings, credentials, prompts, ProviderEndpoints::fromEnvironment()}};
};

} // namespace telvora::tools

#pragma once

#include <QStringList>

namespace telvora {

/// Program entry: reads the command line once and picks the mode.
class TelvoraApplication
{
public:
    TelvoraApplication() = delete;

    /// Returns the process exit status.
    static int main(int argc, char *argv[]);

private:
    static int verifyQuintaraAuthoring();
    static int verifyLocalTranscription(const QStringList &arguments, qsizetype flagIndex);
    static int runInteractive(int argc, char *argv[]);
    /// Registers the console fonts for this process and sets the application icon; needs
    /// the application object.
    static void installConsoleResources();
};

} // namespace telvora

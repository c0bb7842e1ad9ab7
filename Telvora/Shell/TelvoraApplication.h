#pragma once

#include <QStringList>

class QApplication;

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
    /// Fonts, icon and Qt's own Portuguese texts, for this process only; needs the
    /// application object.
    static void installResources(QApplication &application);
};

} // namespace telvora

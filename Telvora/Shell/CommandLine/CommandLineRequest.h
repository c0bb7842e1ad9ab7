#pragma once

#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Options/LocalTranscriptionOptions.h"
#include "TelvoraCore/Vocabulary/OutputKind.h"
#include "TelvoraCore/Vocabulary/OutputLength.h"
#include "TelvoraCore/Vocabulary/VoiceProvider.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace telvora {

/// A command line that cannot be run as typed; the message says why.
class UsageError : public TelvoraError
{
public:
    using TelvoraError::TelvoraError;
};

/// What a command-line run was asked to do: "telvora <command> [options] FILE…", read by
/// Qt's parser (whose own messages speak Portuguese through Qt's translations).
struct CommandLineRequest
{
    enum class Command { transcribe, generate, narrate };

    /// The transcription options typed; what is not typed comes from the saved settings.
    struct TranscriptionFlags
    {
        std::optional<QString> model;
        std::optional<QString> language;
        std::optional<QString> vocabulary;
        std::optional<qint64> speakers;
        std::optional<QString> names;
        std::optional<QString> segmentationModel;
        std::optional<QString> embeddingModel;
        bool noDiarization = false;

        LocalTranscriptionOptions appliedTo(LocalTranscriptionOptions options) const;
    };

    Command command = Command::transcribe;
    QStringList files;    ///< absolute paths, in the order typed
    QString outputFolder; ///< empty: each result beside its file
    bool json = false;
    bool help = false;
    bool timecodes = true;

    TranscriptionFlags transcription;
    QStringList transcriptFormats; ///< besides the JSON transcript: "txt", "srt", "vtt"

    OutputKind kind = OutputKind::summary;
    OutputLength length = OutputLength::medium;
    std::optional<QString> textModel;
    QString documentFormat; ///< "txt", "md", "rtf" or "odt"

    VoiceProvider provider = VoiceProvider::openAI;
    std::optional<QString> voice;
    std::optional<QString> speechModel;
    std::optional<QString> scriptModel;

    /// The subcommand named by `word`, when it is one.
    static std::optional<Command> commandNamed(QStringView word);
    static QString commandName(Command command);

    /// Reads "telvora <command> …" (`arguments` as the process received them, the program
    /// first). Throws UsageError.
    static CommandLineRequest parse(const QStringList &arguments);
};

} // namespace telvora

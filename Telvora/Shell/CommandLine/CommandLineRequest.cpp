#include "Telvora/Shell/CommandLine/CommandLineRequest.h"

#include "Telvora/Shell/CommandLine/CommandLineTexts.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

namespace Texts = CommandLineTexts;

const QStringList transcriptFormatNames{u"json"_s, u"txt"_s, u"srt"_s, u"vtt"_s};
const QStringList documentFormatNames{u"txt"_s, u"md"_s, u"rtf"_s, u"odt"_s};
const QStringList presentationFormatNames{u"md"_s, u"txt"_s};
constexpr qint64 mostSpeakers = 100;

// "Literária", "literaria" and "LITERÁRIA" name the same kind.
QString folded(QStringView text)
{
    QString plain;
    for (const QChar c : text.toString().normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing)
            plain.append(c.toLower());
    }
    return plain;
}

template<typename Enumeration>
Enumeration titled(const QString &option, const QString &typed)
{
    QStringList known;
    for (const Enumeration value : Enumeration::allCases()) {
        if (folded(value.title()) == folded(typed))
            return value;
        known.append(folded(value.title()));
    }
    throw UsageError(Texts::unknownValue.toString().arg(u"--"_s + option, typed, known.join(u", "_s)));
}

QStringList listed(const QStringList &values)
{
    QStringList items;
    for (const QString &value : values) {
        for (const QString &item : value.split(u',', Qt::SkipEmptyParts))
            items.append(item.trimmed().toLower());
    }
    return items;
}

qint64 speakerCount(const QString &typed)
{
    bool ok = false;
    const qint64 count = typed.toLongLong(&ok);
    if (!ok || count < 0 || count > mostSpeakers)
        throw UsageError(Texts::badSpeakers.toString().arg(typed));
    return count;
}

std::optional<QString> valueOf(const QCommandLineParser &parser, const QString &name)
{
    if (!parser.isSet(name))
        return std::nullopt;
    return parser.value(name);
}

class Parser
{
public:
    explicit Parser(CommandLineRequest::Command command)
        : m_command(command)
    {
        add({{u"o"_s, u"output"_s}, QString(), u"pasta"_s});
        add(QCommandLineOption(u"json"_s));
        add(QCommandLineOption(QStringList{u"h"_s, u"help"_s}));
        switch (command) {
        case CommandLineRequest::Command::transcribe:
            add({u"model"_s, QString(), u"nome"_s});
            addTranscriptionOptions();
            add({{u"f"_s, u"format"_s}, QString(), u"formatos"_s});
            break;
        case CommandLineRequest::Command::generate:
            add({u"kind"_s, QString(), u"tipo"_s});
            add({u"length"_s, QString(), u"tamanho"_s});
            add({u"model"_s, QString(), u"nome"_s});
            add({{u"f"_s, u"format"_s}, QString(), u"formato"_s});
            add({u"whisper-model"_s, QString(), u"nome"_s});
            addTranscriptionOptions();
            break;
        case CommandLineRequest::Command::narrate:
            add({u"provider"_s, QString(), u"provedor"_s});
            add({u"voice"_s, QString(), u"voz"_s});
            add({u"model"_s, QString(), u"nome"_s});
            add({u"script-model"_s, QString(), u"nome"_s});
            break;
        }
    }

    CommandLineRequest parse(const QStringList &arguments)
    {
        if (!m_parser.parse(arguments))
            throw UsageError(m_parser.errorText());
        CommandLineRequest request;
        request.command = m_command;
        request.help = m_parser.isSet(u"help"_s);
        if (request.help)
            return request;
        for (const QString &file : m_parser.positionalArguments())
            request.files.append(QFileInfo(file).absoluteFilePath());
        if (request.files.isEmpty())
            throw UsageError(Texts::noFiles.toString());
        if (m_parser.isSet(u"output"_s))
            request.outputFolder = QFileInfo(m_parser.value(u"output"_s)).absoluteFilePath();
        request.json = m_parser.isSet(u"json"_s);
        switch (m_command) {
        case CommandLineRequest::Command::transcribe:
            readTranscription(request, u"model"_s);
            request.transcriptFormats = listed(m_parser.values(u"format"_s));
            for (const QString &format : std::as_const(request.transcriptFormats)) {
                if (!transcriptFormatNames.contains(format))
                    throw UsageError(
                        Texts::unknownValue.toString().arg(u"--format"_s, format, transcriptFormatNames.join(u", "_s)));
            }
            request.transcriptFormats.removeAll(u"json"_s);
            request.transcriptFormats.removeDuplicates();
            break;
        case CommandLineRequest::Command::generate:
            readTranscription(request, u"whisper-model"_s);
            readGeneration(request);
            break;
        case CommandLineRequest::Command::narrate:
            readNarration(request);
            break;
        }
        return request;
    }

private:
    void add(const QCommandLineOption &option) { m_parser.addOption(option); }

    void addTranscriptionOptions()
    {
        for (const QString &name :
             {u"language"_s, u"vocabulary"_s, u"speakers"_s, u"names"_s, u"segmentation-model"_s, u"embedding-model"_s})
            add({name, QString(), u"valor"_s});
        add(QCommandLineOption(u"no-diarization"_s));
        add(QCommandLineOption(u"no-timecodes"_s));
    }

    void readTranscription(CommandLineRequest &request, const QString &modelOption) const
    {
        CommandLineRequest::TranscriptionFlags &flags = request.transcription;
        flags.model = valueOf(m_parser, modelOption);
        flags.language = valueOf(m_parser, u"language"_s);
        flags.vocabulary = valueOf(m_parser, u"vocabulary"_s);
        flags.names = valueOf(m_parser, u"names"_s);
        flags.segmentationModel = valueOf(m_parser, u"segmentation-model"_s);
        flags.embeddingModel = valueOf(m_parser, u"embedding-model"_s);
        if (m_parser.isSet(u"speakers"_s))
            flags.speakers = speakerCount(m_parser.value(u"speakers"_s));
        flags.noDiarization = m_parser.isSet(u"no-diarization"_s);
        request.timecodes = !m_parser.isSet(u"no-timecodes"_s);
    }

    void readGeneration(CommandLineRequest &request) const
    {
        if (m_parser.isSet(u"kind"_s))
            request.kind = titled<OutputKind>(u"kind"_s, m_parser.value(u"kind"_s));
        if (m_parser.isSet(u"length"_s))
            request.length = titled<OutputLength>(u"length"_s, m_parser.value(u"length"_s));
        request.textModel = valueOf(m_parser, u"model"_s);
        const bool presentation = request.kind == OutputKind::quintara;
        request.documentFormat = m_parser.isSet(u"format"_s) ? m_parser.value(u"format"_s).trimmed().toLower()
                                                             : (presentation ? u"md"_s : u"txt"_s);
        if (!documentFormatNames.contains(request.documentFormat))
            throw UsageError(Texts::unknownValue.toString().arg(u"--format"_s, request.documentFormat,
                                                                documentFormatNames.join(u", "_s)));
        if (presentation && !presentationFormatNames.contains(request.documentFormat))
            throw UsageError(Texts::presentationFormat.toString());
    }

    void readNarration(CommandLineRequest &request) const
    {
        if (m_parser.isSet(u"provider"_s))
            request.provider = titled<VoiceProvider>(u"provider"_s, m_parser.value(u"provider"_s));
        request.voice = valueOf(m_parser, u"voice"_s);
        request.speechModel = valueOf(m_parser, u"model"_s);
        request.scriptModel = valueOf(m_parser, u"script-model"_s);
        if (request.provider == VoiceProvider::elevenLabs && !request.voice)
            throw UsageError(Texts::elevenVoiceNeeded.toString());
    }

    CommandLineRequest::Command m_command;
    QCommandLineParser m_parser;
};

} // namespace

LocalTranscriptionOptions CommandLineRequest::TranscriptionFlags::appliedTo(LocalTranscriptionOptions options) const
{
    options.model = model.value_or(options.model);
    options.language = language.value_or(options.language);
    options.vocabulary = vocabulary.value_or(options.vocabulary);
    options.speakerCount = speakers.value_or(options.speakerCount);
    options.speakerNames = names.value_or(options.speakerNames);
    options.segmentationModel = segmentationModel.value_or(options.segmentationModel);
    options.embeddingModel = embeddingModel.value_or(options.embeddingModel);
    if (noDiarization)
        options.diarization = false;
    return options;
}

std::optional<CommandLineRequest::Command> CommandLineRequest::commandNamed(QStringView word)
{
    if (word == Texts::transcribe)
        return Command::transcribe;
    if (word == Texts::generate)
        return Command::generate;
    if (word == Texts::narrate)
        return Command::narrate;
    return std::nullopt;
}

QString CommandLineRequest::commandName(Command command)
{
    switch (command) {
    case Command::transcribe:
        return Texts::transcribe.toString();
    case Command::generate:
        return Texts::generate.toString();
    case Command::narrate:
        return Texts::narrate.toString();
    }
    Q_UNREACHABLE();
    return {};
}

CommandLineRequest CommandLineRequest::parse(const QStringList &arguments)
{
    const std::optional<Command> command = commandNamed(arguments.value(1));
    Q_ASSERT(command);
    // The parser reads the program's name first; the subcommand is not one of its arguments.
    QStringList rest = arguments;
    rest.removeAt(1);
    return Parser(*command).parse(rest);
}

} // namespace telvora

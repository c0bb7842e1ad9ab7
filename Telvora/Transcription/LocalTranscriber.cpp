#include "Telvora/Transcription/LocalTranscriber.h"

#include "Telvora/Transcription/AudioPreparation.h"
#include "Telvora/Transcription/OffThread.h"
#include "Telvora/Transcription/ProcessRunner.h"
#include "Telvora/Transcription/ProgressRelay.h"
#include "Telvora/Transcription/TemporaryFolderOwner.h"
#include "Telvora/Transcription/TranscriptionTexts.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Errors/FileFailure.h"
#include "TelvoraCore/Support/ResourceBundle.h"
#include "TelvoraCore/Support/XdgFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace telvora::LocalTranscriber {

namespace {

namespace Name {
const auto runtimeVariable = "TELVORA_TRANSCRIPTION_RUNTIME";
const auto runtimeFolder = u"TranscriptionRuntime"_s;
// A runtime made with Python 3.13 may carry only "python3.13"; a virtual environment of
// another version (Debian 12's 3.11) has "python3".
const QString interpreters[]{u"bin/python3.13"_s, u"bin/python3"_s};
const auto worker = u"worker.py"_s;
const auto audio = u"audio.f32"_s;
const auto request = u"request.json"_s;
const auto transcript = u"transcript.json"_s;
} // namespace Name

// The work folder of one call, removed with everything in it however the call ends.
class WorkFolder
{
public:
    WorkFolder()
        : m_path(QDir(QDir::tempPath())
                     .filePath(TemporaryFolderOwner::transcriptionPrefix
                               + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()))
    {}
    ~WorkFolder() { QDir(m_path).removeRecursively(); }
    WorkFolder(const WorkFolder &) = delete;
    WorkFolder &operator=(const WorkFolder &) = delete;

    QString file(const QString &name) const { return QDir(m_path).filePath(name); }
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

QByteArray jsonText(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.sliced(1, array.size() - 2);
}

// Written by hand: QJsonObject would sort the keys.
QByteArray requestJson(const QString &audio, const QString &output, const LocalTranscriptionOptions &options)
{
    return "{\"audio\":" + jsonText(audio) + ",\"output\":" + jsonText(output) + ",\"options\":" + options.toJson()
        + '}';
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush())
        throw FileFailure::error(FileFailure::Access::writing, path, file);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileFailure::error(FileFailure::Access::reading, path, file);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileFailure::error(FileFailure::Access::reading, path, file);
    return bytes;
}

// The worker sees these four and nothing else of the program's environment.
ProcessRunner::Environment workerEnvironment()
{
    return {{u"HOME"_s, QDir::homePath()},
            {u"TMPDIR"_s, QDir::tempPath()},
            {u"PATH"_s, u"/usr/bin:/bin"_s},
            {u"LANG"_s, u"en_US.UTF-8"_s}};
}

std::optional<QString> workerScript()
{
    const std::optional<QString> folder = AppResources::bundle().resource(Name::runtimeFolder);
    if (!folder)
        return std::nullopt;
    const QString script = QDir(*folder).filePath(Name::worker);
    if (!QFileInfo(script).isFile())
        return std::nullopt;
    return script;
}

// Plain functions rather than lambdas inside the coroutine: GCC 12 miscounts the captured
// copies of lambda temporaries in coroutine bodies.
std::function<void()> prepare(const QString &folder, const QString &source, const QString &audio,
                              const QString &request, const QString &transcript,
                              const LocalTranscriptionOptions &options, const CancellationToken &token,
                              const ProgressCallback &onProgress)
{
    return [=] {
        if (!QDir().mkpath(folder))
            throw FileError(u"Não foi possível criar a pasta %1."_s.arg(folder));
        TemporaryFolderOwner::mark(folder);
        decode(source, audio, token, onProgress);
        token.throwIfCancelled();
        writeFile(request, requestJson(audio, transcript, options));
    };
}

std::function<QByteArray()> reading(const QString &path)
{
    return [path] { return readFile(path); };
}

} // namespace

std::optional<QString> runtime()
{
    const QString configured = qEnvironmentVariable(Name::runtimeVariable);
    if (!configured.isEmpty())
        return QDir::cleanPath(QDir(configured).absolutePath());
    return QDir(XdgFolders::dataHome()).filePath(u"telvora/"_s + Name::runtimeFolder);
}

std::optional<QString> interpreter()
{
    const std::optional<QString> folder = runtime();
    if (!folder)
        return std::nullopt;
    for (const QString &name : Name::interpreters) {
        const QFileInfo file(QDir(*folder).filePath(name));
        if (file.isFile() && file.isExecutable())
            return file.filePath();
    }
    return std::nullopt;
}

bool isAvailable() { return interpreter().has_value(); }

QCoro::Task<QByteArray> transcribe(QString source, LocalTranscriptionOptions options, CancellationToken token,
                                   ProgressCallback onProgress)
{
    if (options.model.trimmed().isEmpty() || options.language.trimmed().isEmpty())
        throw TelvoraError(TranscriptionTexts::missingModelOrLanguage.toString());
    const std::optional<QString> worker = workerScript();
    const std::optional<QString> python = interpreter();
    if (!python || !worker)
        throw TelvoraError(TranscriptionTexts::engineMissing.toString());

    const WorkFolder work;
    const QString audio = work.file(Name::audio);
    const QString request = work.file(Name::request);
    const QString transcript = work.file(Name::transcript);

    {
        const ProgressRelay decoding(onProgress);
        co_await offThread(prepare(work.path(), source, audio, request, transcript, options, token, decoding.poster()));
    }

    // Isolated mode, and no bytecode cache files beside the worker.
    const QStringList arguments{u"-I"_s, u"-B"_s, *worker, request};
    co_await ProcessRunner::run(*python, arguments, workerEnvironment(), token, std::move(onProgress));
    token.throwIfCancelled();
    co_return co_await offThread(reading(transcript));
}

} // namespace telvora::LocalTranscriber

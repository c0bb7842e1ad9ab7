#include "Telvora/Shell/CommandLine/BatchRun.h"

#include "Telvora/Session/Credentials/EnvironmentCredentials.h"
#include "Telvora/Session/Credentials/KeychainUnavailable.h"
#include "Telvora/Session/Workflows.h"
#include "Telvora/Shell/CommandLine/CommandLineTexts.h"
#include "TelvoraCore/Errors/ErrorMessage.h"

#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

namespace Texts = CommandLineTexts;

QString missingKey(KeychainAccount account)
{
    const VoiceProvider provider =
        account == KeychainAccount::openAI ? VoiceProvider::openAI : VoiceProvider::elevenLabs;
    return Texts::missingKey.toString().arg(provider.title(),
                                            QString::fromLatin1(EnvironmentCredentials::variable(account)));
}

void settle(FileOutcome &outcome, const std::exception_ptr &failure)
{
    if (isCancellation(failure)) {
        outcome.result = FileOutcome::Result::cancelled;
        return;
    }
    outcome.result = FileOutcome::Result::failed;
    outcome.error = errorMessage(failure);
}

} // namespace

BatchRun::BatchRun(const CommandLineRequest &request, Workflows &workflows, ProgressOutput &output, FILE *json)
    : m_request(request)
    , m_workflows(workflows)
    , m_output(output)
    , m_json(json)
    , m_command(request, workflows, output)
{}

QList<KeychainAccount> BatchRun::neededKeys() const
{
    switch (m_request.command) {
    case CommandLineRequest::Command::transcribe:
        return {};
    case CommandLineRequest::Command::generate:
        return {KeychainAccount::openAI};
    case CommandLineRequest::Command::narrate:
        // The script is always written by an OpenAI model.
        if (m_request.provider == VoiceProvider::elevenLabs)
            return {KeychainAccount::openAI, KeychainAccount::elevenLabs};
        return {KeychainAccount::openAI};
    }
    Q_UNREACHABLE();
    return {};
}

// A missing key would fail every file the same way: the batch does not start without it.
QCoro::Task<> BatchRun::checkKeys(CancellationToken token)
{
    const QList<KeychainAccount> accounts = neededKeys();
    for (const KeychainAccount account : accounts) {
        QString key;
        try {
            QCoro::Task<QString> reading = Job::checked(token, m_workflows.keychain().read(account));
            key = co_await std::move(reading);
        } catch (const KeychainUnavailable &unavailable) {
            throw TelvoraError(unavailable.message() + u'\n' + missingKey(account));
        }
        if (key.isEmpty())
            throw TelvoraError(missingKey(account));
    }
}

QCoro::Task<int> BatchRun::run(CancellationToken token)
{
    std::exception_ptr keyProblem;
    try {
        QCoro::Task<> keys = checkKeys(token);
        co_await std::move(keys);
    } catch (...) {
        keyProblem = std::current_exception();
    }
    if (keyProblem && isCancellation(keyProblem))
        co_return interrupted;
    if (keyProblem) {
        m_output.line(errorMessage(keyProblem));
        co_return someFailed;
    }
    QList<FileOutcome> outcomes;
    for (qsizetype i = 0; i < m_request.files.size(); ++i) {
        FileOutcome outcome;
        outcome.file = m_request.files.at(i);
        if (!token.isCancelled()) {
            m_output.started(position(i));
            QCoro::Task<FileOutcome> work = process(outcome.file, token);
            outcome = co_await std::move(work);
            m_output.finished(outcome);
        }
        report(outcome);
        outcomes.append(outcome);
    }
    co_return summarize(outcomes, token.isCancelled());
}

QCoro::Task<FileOutcome> BatchRun::process(QString file, CancellationToken token)
{
    FileOutcome outcome;
    outcome.file = file;
    try {
        claimOutputs(file);
        QCoro::Task<QStringList> work = m_command.run(file, token);
        outcome.outputs = co_await std::move(work);
        outcome.result = FileOutcome::Result::done;
    } catch (...) {
        settle(outcome, std::current_exception());
    }
    co_return outcome;
}

// A source must be a file; and two sources that would write the same result (a.mp3 and
// a.wav, or two folders' a.mp3 into one --output) must not overwrite each other: the later
// one fails before any work.
void BatchRun::claimOutputs(const QString &file)
{
    const QFileInfo source(file);
    if (!source.exists())
        throw TelvoraError(Texts::fileMissing.toString());
    if (source.isDir())
        throw TelvoraError(Texts::fileIsFolder.toString());
    const QStringList outputs = m_command.plannedOutputs(file);
    for (const QString &output : outputs) {
        if (QFileInfo(output) == QFileInfo(file))
            throw TelvoraError(Texts::outputIsSource.toString().arg(output));
        if (m_claimed.contains(output))
            throw TelvoraError(Texts::sameOutput.toString().arg(output));
    }
    for (const QString &output : outputs)
        m_claimed.insert(output);
}

ProgressOutput::Position BatchRun::position(qsizetype index) const
{
    return {index, m_request.files.size(), m_request.files.at(index)};
}

void BatchRun::report(const FileOutcome &outcome)
{
    if (!m_json)
        return;
    std::fputs(QJsonDocument(outcome.json()).toJson(QJsonDocument::Compact).append('\n').constData(), m_json);
    std::fflush(m_json);
}

int BatchRun::summarize(const QList<FileOutcome> &outcomes, bool cancelled)
{
    const auto count = [&outcomes](FileOutcome::Result result) {
        return std::count_if(outcomes.cbegin(), outcomes.cend(),
                             [result](const FileOutcome &outcome) { return outcome.result == result; });
    };
    m_output.line(Texts::summaryDone.toString().arg(count(FileOutcome::Result::done)).arg(outcomes.size()));
    const auto failed = count(FileOutcome::Result::failed);
    if (failed > 0) {
        m_output.line(Texts::summaryFailed.toString().arg(failed));
        for (const FileOutcome &outcome : outcomes) {
            if (outcome.result == FileOutcome::Result::failed)
                m_output.line(u"  "_s + outcome.file + u": "_s + outcome.error);
        }
    }
    if (cancelled) {
        m_output.line(Texts::summaryInterrupted.toString().arg(count(FileOutcome::Result::notStarted)));
        return interrupted;
    }
    return failed > 0 ? someFailed : succeeded;
}

} // namespace telvora

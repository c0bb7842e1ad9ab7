#pragma once

#include "Telvora/Session/Credentials/KeychainAccount.h"
#include "Telvora/Shell/CommandLine/FileCommand.h"
#include "Telvora/Shell/CommandLine/FileOutcome.h"
#include "Telvora/Shell/CommandLine/ProgressOutput.h"

#include <QSet>

#include <cstdio>

namespace telvora {

/// Runs a command over every file of the command line, one after the other: a failed file
/// never stops the others, a cancel ends the one running (nothing of it is written) and
/// skips the rest, and the end lists what failed and why.
class BatchRun
{
public:
    static constexpr int succeeded = 0;
    static constexpr int someFailed = 1;
    static constexpr int interrupted = 130;

    /// `json`, when given, receives one JSON line per file. All must outlive the run.
    BatchRun(const CommandLineRequest &request, Workflows &workflows, ProgressOutput &output, FILE *json);

    /// Gives the session the request's choices; throws UsageError.
    void prepare() { m_command.prepare(); }

    /// Answers the exit status: 0 when every file succeeded, 1 when any failed (or a key is
    /// missing), 130 when cancelled.
    QCoro::Task<int> run(CancellationToken token);

private:
    QList<KeychainAccount> neededKeys() const;
    QCoro::Task<> checkKeys(CancellationToken token);
    QCoro::Task<FileOutcome> process(QString file, CancellationToken token);
    void claimOutputs(const QString &file);
    ProgressOutput::Position position(qsizetype index) const;
    void report(const FileOutcome &outcome);
    int summarize(const QList<FileOutcome> &outcomes, bool cancelled);

    const CommandLineRequest &m_request;
    Workflows &m_workflows;
    ProgressOutput &m_output;
    FILE *m_json;
    FileCommand m_command;
    QSet<QString> m_claimed;
};

} // namespace telvora

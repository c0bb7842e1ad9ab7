#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <qt6keychain/keychain.h>

#include <chrono>

namespace telvora {

/// How one QtKeychain job ended, or that it gave no answer before its guard expired.
struct KeychainJobOutcome
{
    bool answered = false;
    QKeychain::Error error = QKeychain::NoError;
    QString description;
    QByteArray data;

    bool succeeded() const { return answered && error == QKeychain::NoError; }

    /// Starts `job` and waits for its answer, at most `guard`. The job deletes itself when
    /// it ends; one that outlives its guard is left to finish on its own and reaches nothing.
    static QCoro::Task<KeychainJobOutcome> of(QKeychain::Job *job, std::chrono::milliseconds guard);
};

} // namespace telvora

#include "Telvora/Session/Credentials/SecretServiceBackend.h"

#include "Telvora/Session/Credentials/KeychainError.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

struct Outcome
{
    bool finished = false;
    QKeychain::Error error = QKeychain::NoError;
    QString description;
    QByteArray data;
};

// Runs one QtKeychain job to its end or until the guard expires. A job that times out is
// abandoned: it deletes itself whenever it finishes, and its connections die with the
// local event loop, so a late answer touches nothing of ours.
Outcome run(QKeychain::Job *job, std::chrono::milliseconds guard)
{
    Outcome outcome;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&outcome, &loop](QKeychain::Job *done) {
        outcome.finished = true;
        outcome.error = done->error();
        outcome.description = done->errorString();
        if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(done))
            outcome.data = read->binaryData();
        loop.quit();
    });
    job->setAutoDelete(true);
    job->start();
    timer.start(guard);
    if (!outcome.finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return outcome;
}

[[noreturn]] void fail(const Outcome &outcome)
{
    if (!outcome.finished)
        throw KeychainError(QKeychain::OtherError, u"O serviço de chaves não respondeu."_s);
    throw KeychainError(outcome.error, outcome.description);
}

} // namespace

SecretServiceBackend::SecretServiceBackend(QString service, std::chrono::milliseconds guard)
    : m_service(std::move(service))
    , m_guard(guard)
{}

std::optional<QByteArray> SecretServiceBackend::readData(const QString &account)
{
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(account);
    Outcome outcome = run(job, m_guard);
    if (!outcome.finished || outcome.error != QKeychain::NoError)
        return std::nullopt;
    return std::move(outcome.data);
}

void SecretServiceBackend::writeData(const QString &account, const QByteArray &data)
{
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(account);
    job->setBinaryData(data);
    const Outcome outcome = run(job, m_guard);
    if (!outcome.finished || outcome.error != QKeychain::NoError)
        fail(outcome);
}

void SecretServiceBackend::remove(const QString &account)
{
    auto *job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(account);
    const Outcome outcome = run(job, m_guard);
    if (outcome.finished && outcome.error == QKeychain::EntryNotFound)
        return;
    if (!outcome.finished || outcome.error != QKeychain::NoError)
        fail(outcome);
}

} // namespace telvora

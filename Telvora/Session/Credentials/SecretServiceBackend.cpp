#include "Telvora/Session/Credentials/SecretServiceBackend.h"

#include "Telvora/Session/Credentials/KeychainError.h"
#include "Telvora/Session/Credentials/KeychainJobOutcome.h"
#include "Telvora/Session/Credentials/KeychainMessages.h"
#include "Telvora/Session/Credentials/KeychainUnavailable.h"
#include "Telvora/Session/Credentials/SecretServiceSearch.h"

using std::chrono::milliseconds;

namespace telvora {

namespace {

// The coroutines below take everything by value: they may resume after the backend is gone.

QCoro::Task<std::optional<QByteArray>> readItem(QString service, QString account, milliseconds guard)
{
    auto *job = new QKeychain::ReadPasswordJob(service);
    job->setKey(account);
    KeychainJobOutcome outcome = co_await KeychainJobOutcome::of(job, guard);
    if (outcome.succeeded())
        co_return std::move(outcome.data);
    if (!outcome.answered || outcome.error != QKeychain::EntryNotFound)
        throw KeychainUnavailable();
    // libsecret answers "not found" for an item of a locked keyring whose unlock prompt
    // was dismissed or could not be shown.
    if (co_await SecretServiceSearch::hasLockedItem(service, account))
        throw KeychainUnavailable();
    co_return std::nullopt;
}

bool meansUnavailable(const KeychainJobOutcome &outcome)
{
    return !outcome.answered || outcome.error == QKeychain::AccessDenied
        || outcome.error == QKeychain::AccessDeniedByUser || outcome.error == QKeychain::NoBackendAvailable;
}

[[noreturn]] void fail(const KeychainJobOutcome &outcome)
{
    const QKeychain::Error code = outcome.answered ? outcome.error : QKeychain::OtherError;
    throw KeychainError(code,
                        meansUnavailable(outcome) ? KeychainMessages::unavailable.toString() : outcome.description);
}

QCoro::Task<> writeItem(QString service, QString account, QByteArray data, milliseconds guard)
{
    auto *job = new QKeychain::WritePasswordJob(service);
    job->setKey(account);
    job->setBinaryData(data);
    const KeychainJobOutcome outcome = co_await KeychainJobOutcome::of(job, guard);
    if (!outcome.succeeded())
        fail(outcome);
}

QCoro::Task<> removeItem(QString service, QString account, milliseconds guard)
{
    auto *job = new QKeychain::DeletePasswordJob(service);
    job->setKey(account);
    const KeychainJobOutcome outcome = co_await KeychainJobOutcome::of(job, guard);
    if (!outcome.succeeded() && !(outcome.answered && outcome.error == QKeychain::EntryNotFound))
        fail(outcome);
    // libsecret reports success when a locked item it could not unlock stays in place.
    if (co_await SecretServiceSearch::hasLockedItem(service, account))
        throw KeychainError(QKeychain::AccessDenied, KeychainMessages::unavailable.toString());
}

} // namespace

SecretServiceBackend::SecretServiceBackend(QString service, milliseconds guard)
    : m_service(std::move(service))
    , m_guard(guard)
{}

QCoro::Task<std::optional<QByteArray>> SecretServiceBackend::readData(KeychainAccount account)
{
    return readItem(m_service, keychainAccountName(account), m_guard);
}

QCoro::Task<> SecretServiceBackend::writeData(KeychainAccount account, QByteArray data)
{
    return writeItem(m_service, keychainAccountName(account), std::move(data), m_guard);
}

QCoro::Task<> SecretServiceBackend::remove(KeychainAccount account)
{
    return removeItem(m_service, keychainAccountName(account), m_guard);
}

} // namespace telvora

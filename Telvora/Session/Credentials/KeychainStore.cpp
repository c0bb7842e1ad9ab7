#include "Telvora/Session/Credentials/KeychainStore.h"

#include "TelvoraCore/Errors/Error.h"

#include <QPointer>
#include <QStringDecoder>
#include <QUtf8StringView>

#include <exception>
#include <type_traits>

namespace telvora {

namespace {

// Awaits `call` on behalf of `owner`: the one place where the store's calls come back
// after a suspension. Once the owner is gone they end with Cancelled, whatever the
// backend answered, so nothing after the await can reach a destroyed store.
template<typename T>
QCoro::Task<T> whileAlive(QPointer<QObject> owner, QCoro::Task<T> call)
{
    std::exception_ptr failure;
    std::conditional_t<std::is_void_v<T>, bool, std::optional<T>> value{};
    try {
        if constexpr (std::is_void_v<T>)
            co_await std::move(call);
        else
            value = co_await std::move(call);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!owner)
        throw Cancelled();
    if (failure)
        std::rethrow_exception(failure);
    if constexpr (!std::is_void_v<T>)
        co_return std::move(*value);
}

QString decoded(const std::optional<QByteArray> &data)
{
    // Validated whole first: a decoder keeps a sequence cut short at the end as pending
    // state and reports no error, which would hand back a key missing its last bytes.
    if (!data || !QUtf8StringView(*data).isValidUtf8())
        return {};
    // Keep a leading byte-order mark: the key is returned exactly as it was stored.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(*data);
}

} // namespace

KeychainStore::KeychainStore(CredentialBackend &backend, QObject *parent)
    : QObject(parent)
    , m_backend(&backend)
{}

QCoro::Task<QString> KeychainStore::read(KeychainAccount account)
{
    if (std::optional<QString> key = cached(account))
        co_return std::move(*key);
    const quint64 saves = m_entries[account].saves;
    const std::optional<QByteArray> data = co_await whileAlive(this, m_backend->readData(account));
    QString key = decoded(data);
    if (m_entries[account].saves == saves)
        remember(account, key);
    co_return key;
}

QCoro::Task<> KeychainStore::save(KeychainAccount account, QString value)
{
    ++m_entries[account].saves;
    try {
        if (value.isEmpty())
            co_await whileAlive(this, m_backend->remove(account));
        else
            co_await whileAlive(this, m_backend->writeData(account, value.toUtf8()));
    } catch (const Cancelled &) {
        throw;
    } catch (...) {
        // The item may or may not have changed: the next read asks the keychain.
        ++m_entries[account].saves;
        remember(account, std::nullopt);
        throw;
    }
    remember(account, std::move(value));
}

std::optional<QString> KeychainStore::cached(KeychainAccount account) const
{
    const auto entry = m_entries.find(account);
    return entry == m_entries.end() ? std::nullopt : entry->second.key;
}

void KeychainStore::remember(KeychainAccount account, std::optional<QString> key)
{
    Entry &entry = m_entries[account];
    if (entry.key == key)
        return;
    entry.key = std::move(key);
    Q_EMIT keyChanged(account);
}

} // namespace telvora

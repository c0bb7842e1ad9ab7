#include "Telvora/Session/Credentials/KeychainStore.h"

#include <QStringDecoder>
#include <QUtf8StringView>

namespace telvora {

KeychainStore::KeychainStore(CredentialBackend &backend, QObject *parent)
    : QObject(parent)
    , m_backend(&backend)
{}

QCoro::Task<QString> KeychainStore::read(KeychainAccount account)
{
    try {
        const std::optional<QByteArray> data = m_backend->readData(accountName(account));
        if (!data || !QUtf8StringView(*data).isValidUtf8())
            co_return QString();
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        co_return decoder.decode(*data);
    } catch (...) {
        co_return QString();
    }
}

QCoro::Task<> KeychainStore::save(KeychainAccount account, QString value)
{
    if (value.isEmpty())
        m_backend->remove(accountName(account));
    else
        m_backend->writeData(accountName(account), value.toUtf8());
    Q_EMIT keyChanged(account);
    co_return;
}

std::optional<QString> KeychainStore::cached(KeychainAccount) const { return std::nullopt; }

} // namespace telvora

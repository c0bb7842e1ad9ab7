#include "Telvora/Session/Credentials/KeychainStore.h"

#include <QStringDecoder>

namespace telvora {

KeychainStore::KeychainStore(CredentialBackend &backend)
    : m_backend(&backend)
{
}

QString KeychainStore::read(const QString &account) const
{
    try {
        const std::optional<QByteArray> data = m_backend->readData(account);
        if (!data)
            return {};
        // Keep a leading byte-order mark: the key is returned exactly as it was stored.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        QString text = decoder.decode(*data);
        if (decoder.hasError())
            return {};
        return text;
    } catch (...) {
        return {};
    }
}

void KeychainStore::save(const QString &value, const QString &account) const
{
    if (value.isEmpty())
        m_backend->remove(account);
    else
        m_backend->writeData(account, value.toUtf8());
}

} // namespace telvora

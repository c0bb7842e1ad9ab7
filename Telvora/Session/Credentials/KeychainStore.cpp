#include "Telvora/Session/Credentials/KeychainStore.h"

#include <QStringDecoder>
#include <QUtf8StringView>

namespace telvora {

KeychainStore::KeychainStore(CredentialBackend &backend)
    : m_backend(&backend)
{}

QString KeychainStore::read(const QString &account) const
{
    try {
        const std::optional<QByteArray> data = m_backend->readData(account);
        // Validated whole first: a decoder keeps a sequence cut short at the end as pending
        // state and reports no error, which would hand back a key missing its last bytes.
        if (!data || !QUtf8StringView(*data).isValidUtf8())
            return {};
        // Keep a leading byte-order mark: the key is returned exactly as it was stored.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(*data);
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

#include "Telvora/Session/Credentials/EnvironmentCredentials.h"

#include <QtGlobal>

namespace telvora {

namespace {

QCoro::Task<std::optional<QByteArray>> answer(QByteArray key) { co_return key; }

} // namespace

EnvironmentCredentials::EnvironmentCredentials(CredentialBackend &fallback)
    : m_fallback(fallback)
{}

QByteArray EnvironmentCredentials::variable(KeychainAccount account)
{
    switch (account) {
    case KeychainAccount::openAI:
        return QByteArrayLiteral("TELVORA_OPENAI_API_KEY");
    case KeychainAccount::elevenLabs:
        return QByteArrayLiteral("TELVORA_ELEVENLABS_API_KEY");
    }
    Q_UNREACHABLE();
    return {};
}

QCoro::Task<std::optional<QByteArray>> EnvironmentCredentials::readData(KeychainAccount account)
{
    const QByteArray key = qgetenv(variable(account).constData());
    if (key.isEmpty())
        return m_fallback.readData(account);
    return answer(key);
}

QCoro::Task<> EnvironmentCredentials::writeData(KeychainAccount account, QByteArray data)
{
    return m_fallback.writeData(account, std::move(data));
}

QCoro::Task<> EnvironmentCredentials::remove(KeychainAccount account) { return m_fallback.remove(account); }

} // namespace telvora

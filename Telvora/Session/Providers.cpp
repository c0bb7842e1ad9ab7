#include "Telvora/Session/Providers.h"

namespace telvora {

Providers::Providers(ProviderEndpoints endpoints)
    : m_endpoints(std::move(endpoints))
{}

ProviderClient Providers::client(const CancellationToken &token)
{
    return ProviderClient(&m_network, m_endpoints, token);
}

} // namespace telvora

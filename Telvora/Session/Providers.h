#pragma once

#include "TelvoraCore/Provider/ProviderClient.h"
#include "TelvoraCore/Provider/ProviderEndpoints.h"

#include <QNetworkAccessManager>

namespace telvora {

/// The one way to the providers: their endpoints and the network manager every request of
/// the program goes through (workflows and the settings sheet alike).
class Providers
{
public:
    explicit Providers(ProviderEndpoints endpoints);

    const ProviderEndpoints &endpoints() const { return m_endpoints; }
    /// A client whose requests end as Cancelled once `token` is cancelled.
    ProviderClient client(const CancellationToken &token);

private:
    ProviderEndpoints m_endpoints;
    QNetworkAccessManager m_network;
};

} // namespace telvora

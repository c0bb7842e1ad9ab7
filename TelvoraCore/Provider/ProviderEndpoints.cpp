#include "TelvoraCore/Provider/ProviderEndpoints.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

// An override is taken only when it is a usable absolute URL; anything else keeps the
// provider's own host rather than sending keys to a half-parsed address.
void override(QUrl &url, const char *variable)
{
    const QString value = qEnvironmentVariable(variable).trimmed();
    if (value.isEmpty())
        return;
    const QUrl candidate(value, QUrl::StrictMode);
    if (candidate.isValid() && !candidate.isRelative() && !candidate.host().isEmpty())
        url = candidate;
}

} // namespace

ProviderEndpoints ProviderEndpoints::defaults()
{
    return ProviderEndpoints{QUrl(u"https://api.openai.com"_s), QUrl(u"https://api.elevenlabs.io"_s)};
}

ProviderEndpoints ProviderEndpoints::fromEnvironment()
{
    ProviderEndpoints endpoints = defaults();
    override(endpoints.openAI, "TELVORA_OPENAI_BASE_URL");
    override(endpoints.elevenLabs, "TELVORA_ELEVENLABS_BASE_URL");
    return endpoints;
}

} // namespace telvora

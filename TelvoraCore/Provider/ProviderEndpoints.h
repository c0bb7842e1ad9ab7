#pragma once

#include <QUrl>
#include <QtGlobal>

#include <chrono>

namespace telvora {

/// Where the provider client sends its requests and how long it waits for data.
/// The paths, queries, headers and bodies are fixed by the client; only the hosts
/// (scheme, host, port and an optional path prefix) and the idle timeout vary.
struct ProviderEndpoints
{
    QUrl openAI;     // default https://api.openai.com
    QUrl elevenLabs; // default https://api.elevenlabs.io
    std::chrono::milliseconds idleTimeout{180000};
    // A response is held in memory whole; anything larger is refused. Far above any
    // generated document or speech part.
    qsizetype maximumResponseBytes = qsizetype(256) * 1024 * 1024;

    /// The providers' public HTTPS hosts and the 180-second idle timeout.
    static ProviderEndpoints defaults();

    /// The defaults, with TELVORA_OPENAI_BASE_URL and TELVORA_ELEVENLABS_BASE_URL
    /// replacing a host when set to a valid absolute URL.
    static ProviderEndpoints fromEnvironment();
};

} // namespace telvora

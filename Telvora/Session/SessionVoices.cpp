// The chosen voice of each speech provider and the ElevenLabs voice list.

#include "Telvora/Session/Session.h"

#include "TelvoraCore/Provider/ProviderClient.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora {

QList<Voice> Session::voices() const
{
    return provider() == VoiceProvider::openAI ? AIModels::voices(openAISpeechModel()) : elevenVoices();
}

const QString &Session::voiceID() const { return provider() == VoiceProvider::openAI ? openAIVoice() : elevenVoice(); }

void Session::setVoiceID(const QString &value)
{
    if (provider() == VoiceProvider::openAI)
        setOpenAIVoice(value);
    else
        setElevenVoice(value);
}

QCoro::Task<> Session::refreshVoices()
{
    if (voicesLoading())
        co_return;
    setVoicesLoading(true);
    // Its own token, so that a session closed mid-fetch ends the request before it goes.
    const CancellationToken token;
    m_voicesFetch = token;
    try {
        const ProviderClient client(&m_network, m_endpoints, token);
        const QList<Voice> fetched = co_await client.elevenVoices(m_keychain.read(u"elevenlabs"_s));
        setElevenVoices(fetched);
        // A voice chosen before stays chosen, even when the account no longer has it.
        if (elevenVoice().isEmpty())
            setElevenVoice(fetched.isEmpty() ? QString() : fetched.first().id);
    } catch (...) {
        report(std::current_exception());
    }
    m_voicesFetch.reset();
    setVoicesLoading(false);
}

} // namespace telvora

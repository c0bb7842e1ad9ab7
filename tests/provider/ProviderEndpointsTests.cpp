#include "TelvoraCore/Provider/ProviderEndpoints.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora {
namespace {

// Sets or clears one environment variable for the life of the object.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name)
        , m_old(qgetenv(name))
        , m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

TEST(ProviderEndpointsTest, DefaultsAreThePublicHosts)
{
    const ProviderEndpoints endpoints = ProviderEndpoints::defaults();
    EXPECT_EQ(endpoints.openAI, QUrl(u"https://api.openai.com"_s));
    EXPECT_EQ(endpoints.elevenLabs, QUrl(u"https://api.elevenlabs.io"_s));
    EXPECT_EQ(endpoints.idleTimeout, std::chrono::seconds(180));
}

TEST(ProviderEndpointsTest, EnvironmentOverridesOnlyUsableUrls)
{
    struct Case
    {
        const char *name;
        QByteArray openAI;
        QByteArray eleven;
        QUrl expectedOpenAI;
        QUrl expectedEleven;
    };
    const QUrl openAI(u"https://api.openai.com"_s);
    const QUrl eleven(u"https://api.elevenlabs.io"_s);
    const QList<Case> cases{
        {"both set", "http://127.0.0.1:8080", " https://proxy.example/eleven ", QUrl(u"http://127.0.0.1:8080"_s),
         QUrl(u"https://proxy.example/eleven"_s)},
        {"empty values keep the defaults", "", "", openAI, eleven},
        {"relative or hostless values are ignored", "api.openai.local/v1", "file:///tmp/x", openAI, eleven},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        const ScopedEnvironment a("TELVORA_OPENAI_BASE_URL", row.openAI);
        const ScopedEnvironment b("TELVORA_ELEVENLABS_BASE_URL", row.eleven);
        const ProviderEndpoints endpoints = ProviderEndpoints::fromEnvironment();
        EXPECT_EQ(endpoints.openAI, row.expectedOpenAI);
        EXPECT_EQ(endpoints.elevenLabs, row.expectedEleven);
    }
}

} // namespace
} // namespace telvora

#include "TelvoraCore/Support/XdgFolders.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

// Puts the variable back as it was, set or not.
class SavedVariable
{
public:
    explicit SavedVariable(const char *name)
        : m_name(name)
        , m_value(qgetenv(name))
        , m_wasSet(qEnvironmentVariableIsSet(name))
    {}
    ~SavedVariable()
    {
        if (m_wasSet)
            qputenv(m_name, m_value);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_value;
    bool m_wasSet;
};

TEST(XdgFolders, AnAbsoluteValueIsTakenElseTheDefaultUnderHome)
{
    const struct
    {
        const char *variable;
        std::function<QString()> folder;
        QString underHome;
    } folders[] = {
        {"XDG_CACHE_HOME", XdgFolders::cacheHome, u"/.cache"_s},
        {"XDG_DATA_HOME", XdgFolders::dataHome, u"/.local/share"_s},
    };
    const struct
    {
        const char *name;
        std::optional<QByteArray> value;
        bool taken;
    } cases[] = {
        {"absolute", "/srv/pasta", true},
        {"relative", "pasta/relativa", false},
        {"empty", "", false},
        {"unset", std::nullopt, false},
    };
    for (const auto &folder : folders) {
        const SavedVariable saved(folder.variable);
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(folder.variable) + ", " + c.name);
            if (c.value)
                qputenv(folder.variable, *c.value);
            else
                qunsetenv(folder.variable);
            EXPECT_EQ(folder.folder(),
                      c.taken ? QString::fromUtf8(*c.value) : QString(QDir::homePath() + folder.underHome));
        }
    }
}

} // namespace

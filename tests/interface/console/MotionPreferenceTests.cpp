#include "Telvora/Interface/Console/MotionPreference.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace telvora {
namespace {

// A desktop of our own: PATH holds only a folder where "gsettings" is the given script,
// or nothing at all.
class MotionPreferenceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedPath = qgetenv("PATH");
        m_savedSwitch = qgetenv("TELVORA_REDUCE_MOTION");
        m_switchWasSet = qEnvironmentVariableIsSet("TELVORA_REDUCE_MOTION");
        qunsetenv("TELVORA_REDUCE_MOTION");
        qputenv("PATH", m_bin.path().toUtf8());
    }
    void TearDown() override
    {
        qputenv("PATH", m_savedPath);
        if (m_switchWasSet)
            qputenv("TELVORA_REDUCE_MOTION", m_savedSwitch);
        else
            qunsetenv("TELVORA_REDUCE_MOTION");
    }

    void desktopAnswers(const QByteArray &script)
    {
        QFile gsettings(m_bin.filePath(u"gsettings"_s));
        ASSERT_TRUE(gsettings.open(QIODevice::WriteOnly));
        gsettings.write("#!/bin/sh\n" + script);
        gsettings.close();
        gsettings.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // The question is over once its process is gone.
    static bool answered(const MotionPreference &preference)
    {
        return QTest::qWaitFor([&] { return preference.findChildren<QProcess *>().isEmpty(); }, 5000);
    }

    QTemporaryDir m_bin;
    QByteArray m_savedPath;
    QByteArray m_savedSwitch;
    bool m_switchWasSet = false;
};

TEST_F(MotionPreferenceTest, TheDesktopsAnswerArrivesWithoutBlockingAndIsTakenOnce)
{
    struct Case
    {
        const char *name;
        std::optional<QByteArray> script;
        bool reduced;
    };
    const Case cases[] = {
        {"animations off", "/bin/sleep 0.3\necho false\n", true},
        {"animations on", "echo true\n", false},
        {"the key is unknown", "echo 'No such key' >&2\nexit 1\n", false},
        {"slower than a second", "/bin/sleep 3\necho false\n", false},
        {"no gsettings at all", std::nullopt, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(m_bin.filePath(u"gsettings"_s));
        if (c.script)
            desktopAnswers(*c.script);
        MotionPreference preference;
        QSignalSpy changes(&preference, &MotionPreference::reducedChanged);
        EXPECT_FALSE(preference.reduced()) << "nothing is known before the answer";
        ASSERT_TRUE(answered(preference));
        EXPECT_EQ(preference.reduced(), c.reduced);
        EXPECT_EQ(changes.size(), c.reduced ? 1 : 0);
    }
}

TEST_F(MotionPreferenceTest, TheEnvironmentSwitchWinsAndAsksNobody)
{
    desktopAnswers("echo false\n");
    for (const auto &[value, reduced] : {std::pair{"1", true}, std::pair{"0", false}}) {
        SCOPED_TRACE(value);
        qputenv("TELVORA_REDUCE_MOTION", value);
        MotionPreference preference;
        EXPECT_EQ(preference.reduced(), reduced);
        EXPECT_TRUE(preference.findChildren<QProcess *>().isEmpty());
    }
}

} // namespace
} // namespace telvora

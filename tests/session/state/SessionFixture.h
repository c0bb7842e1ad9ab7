#pragma once

#include "Telvora/Session/Workflows.h"
#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/ScriptedUserPrompts.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace telvora::test {

// A session and its workflows on a settings file of their own in a temporary folder, with
// in-memory keys and scripted dialogs.
class SessionFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        settingsPath = folder.filePath(QStringLiteral("Telvora.ini"));
        openSettings();
    }

    void TearDown() override { closeAll(); }

    void openSettings() { settings = std::make_unique<QSettings>(settingsPath, QSettings::IniFormat); }

    Session &makeSession(ProviderEndpoints endpoints = {})
    {
        workflows = std::make_unique<Workflows>(Workflows::Services{*settings, credentials, prompts, endpoints});
        session = &workflows->session();
        QObject::connect(workflows.get(), &Workflows::documentReady, workflows.get(), [this] { ++readerShown; });
        QObject::connect(workflows.get(), &Workflows::settingsRequested, workflows.get(), [this] { ++settingsShown; });
        return *session;
    }

    // Closes the workflows and the settings store, so that the next ones read the file anew.
    // Work still running ends on the event loop, touching nothing of what went.
    void closeAll()
    {
        session = nullptr;
        workflows.reset();
        settings.reset();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    QTemporaryDir folder;
    QString settingsPath;
    std::unique_ptr<QSettings> settings;
    InMemoryCredentialBackend credentials;
    ScriptedUserPrompts prompts;
    std::unique_ptr<Workflows> workflows;
    Session *session = nullptr;
    int readerShown = 0;
    int settingsShown = 0;
};

} // namespace telvora::test

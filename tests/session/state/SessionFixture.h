#pragma once

#include "Telvora/Session/Session.h"
#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/ScriptedUserPrompts.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace telvora::test {

// A session on a settings file of its own in a temporary folder, with in-memory keys and
// scripted dialogs.
class SessionFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        settingsPath = folder.filePath(QStringLiteral("Telvora.ini"));
        openSettings();
    }

    void openSettings() { settings = std::make_unique<QSettings>(settingsPath, QSettings::IniFormat); }

    Session &makeSession()
    {
        session = std::make_unique<Session>(*settings, credentials, prompts, ProviderEndpoints{});
        return *session;
    }

    // Closes the session and its settings store, so that the next one reads the file anew.
    void closeAll()
    {
        session.reset();
        settings.reset();
    }

    // Gives the session narration audio: a folder with one part, its file location and
    // playback running.
    void installNarration()
    {
        const QString voiceFolder = folder.filePath(QStringLiteral("voice"));
        ASSERT_TRUE(QDir().mkpath(voiceFolder));
        QFile part(voiceFolder + QStringLiteral("/parte-1.mp3"));
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
        part.write("mp3");
        part.close();
        session->voiceDirectory = voiceFolder;
        session->voiceURL = QUrl::fromLocalFile(voiceFolder + QStringLiteral("/narracao.m4a"));
        session->setVoicePlaying(true);
    }

    bool hasNarration() const
    {
        return !session->voiceURL.isEmpty() || session->voicePlaying() || !session->voiceDirectory.isEmpty();
    }

    bool narrationFolderExists() const { return QDir(folder.filePath(QStringLiteral("voice"))).exists(); }

    QTemporaryDir folder;
    QString settingsPath;
    std::unique_ptr<QSettings> settings;
    InMemoryCredentialBackend credentials;
    ScriptedUserPrompts prompts;
    std::unique_ptr<Session> session;
};

} // namespace telvora::test

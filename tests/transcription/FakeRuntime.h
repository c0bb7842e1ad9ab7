#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace telvora::test {

/// A transcription runtime in a temporary folder whose interpreter is the fake worker,
/// told what to do by `behaviour`, at `interpreter` ("bin/python3.13" or "bin/python3").
/// While it lives, TELVORA_TRANSCRIPTION_RUNTIME names it.
class FakeRuntime
{
public:
    explicit FakeRuntime(const QString &behaviour, const QString &interpreter = QStringLiteral("bin/python3.13"))
        : m_interpreter(interpreter)
    {
        EXPECT_TRUE(QDir().mkpath(m_folder.filePath(QStringLiteral("bin"))));
        addInterpreter(interpreter);
        setBehaviour(behaviour);
        qputenv("TELVORA_TRANSCRIPTION_RUNTIME", m_folder.path().toUtf8());
    }
    ~FakeRuntime() { qunsetenv("TELVORA_TRANSCRIPTION_RUNTIME"); }

    /// Puts the fake worker at `name` inside the runtime as well.
    void addInterpreter(const QString &name) const
    {
        const QString interpreter = m_folder.filePath(name);
        EXPECT_TRUE(QFile::copy(QStringLiteral(TELVORA_FAKE_WORKER), interpreter));
        QFile::setPermissions(interpreter, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString path() const { return m_folder.path(); }
    QString interpreter() const { return m_folder.filePath(m_interpreter); }

    void setBehaviour(const QString &behaviour) const { touch(QStringLiteral("behaviour"), behaviour.toUtf8()); }
    void touch(const QString &name, const QByteArray &bytes = {}) const
    {
        QFile file(m_folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    bool has(const QString &name) const { return QFile::exists(m_folder.filePath(name)); }

    /// What the fake worker was given: "arguments", "environment", "request", "audioBytes".
    QJsonObject seen() const
    {
        QFile file(m_folder.filePath(QStringLiteral("seen.json")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private:
    QTemporaryDir m_folder;
    QString m_interpreter;
};

/// The user-perceived characters of the fake worker's failure output, and their last 1800.
inline QString fakeFailureOutput(qsizetype lastCharacters)
{
    QString text;
    for (int i = 5000 - lastCharacters; i < 5000; ++i)
        text += i % 7 == 0 ? QStringLiteral("e\u0301") : QString(QChar(u'a' + i % 26));
    return text;
}

/// Writes a WAV file of 16-bit PCM `channels`×`rate` holding `seconds` of a tone.
QByteArray wavBytes(double seconds, int rate = 16000, int channels = 1);
bool writeWav(const QString &path, double seconds, int rate = 16000, int channels = 1);

/// Folders in `folder` whose name starts with "telvora-transcription-".
QStringList workFolders(const QString &folder);

} // namespace telvora::test

#pragma once

#include "tests/session/state/SessionFixture.h"
#include "tests/support/LoopbackServer.h"

#include <QFile>
#include <QTest>

namespace telvora::test {

// A session whose provider requests go to a loopback server.
class WorkflowFixture : public SessionFixture
{
protected:
    Session &makeWorkflowSession()
    {
        ProviderEndpoints endpoints = ProviderEndpoints::defaults();
        endpoints.openAI = server.url();
        endpoints.elevenLabs = server.url();
        session = std::make_unique<Session>(*settings, credentials, prompts, endpoints);
        session->showReader = [this] { ++readerShown; };
        return *session;
    }

    bool waitUntilIdle(int milliseconds = 10000)
    {
        return QTest::qWaitFor([this] { return !session->busy(); }, milliseconds);
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(bytes);
        return path;
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    LoopbackServer server;
    int readerShown = 0;
};

} // namespace telvora::test

#pragma once

#include "TelvoraCore/Provider/ProviderClient.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"

#include <QNetworkAccessManager>

#include <gtest/gtest.h>

namespace telvora::test {

/// A client whose two providers are one loopback server.
class ProviderTest : public ::testing::Test
{
protected:
    ProviderEndpoints endpoints(std::chrono::milliseconds idleTimeout = std::chrono::seconds(20)) const
    {
        return ProviderEndpoints{server.url(), server.url(), idleTimeout};
    }

    ProviderClient client(CancellationToken token = {}) const
    {
        return ProviderClient(&network, endpoints(), std::move(token));
    }

    /// The message of the telvora::Error the call throws; fails the test when it returns.
    template<typename ErrorType, typename T>
    QString thrownMessage(QCoro::Task<T> task)
    {
        try {
            runTask(std::move(task));
        } catch (const ErrorType &error) {
            return error.message();
        } catch (const std::exception &other) {
            ADD_FAILURE() << "unexpected exception: " << other.what();
            return {};
        }
        ADD_FAILURE() << "the call did not throw";
        return {};
    }

    mutable QNetworkAccessManager network;
    LoopbackServer server;
};

} // namespace telvora::test

// Test main for core tests: a QCoreApplication so that events, timers and
// queued calls work as they do in the program.
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "net/http_client.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Web services in tests are servers the tests start on this machine,
    // also for the programs the tests start.
    qputenv("QUILLON_ALLOWED_HOSTS", "127.0.0.1");
    THttpClient::RestrictToHosts({QStringLiteral("127.0.0.1")});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

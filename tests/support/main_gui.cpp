// Test main for window tests: a QApplication on the offscreen platform unless
// the environment chose another one (e.g. xcb under Xvfb for screenshots).
#include <QApplication>
#include <gtest/gtest.h>

#include "net/http_client.h"

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Web services in tests are servers the tests start on this machine,
    // also for the programs the tests start.
    qputenv("QUILLON_ALLOWED_HOSTS", "127.0.0.1");
    THttpClient::RestrictToHosts({QStringLiteral("127.0.0.1")});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

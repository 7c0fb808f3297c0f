// Runs only inside the program namespace that netns.sh creates: the program's defaults
// (192.168.0.1, 239.0.0.8) must never reach a real network.
#include <QApplication>
#include <QHostAddress>
#include <QNetworkInterface>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>

namespace {

constexpr int kSkip = 77;

bool InPrivateNetwork(QString *why)
{
    struct stat self {}, init {};
    if (::stat("/proc/self/ns/net", &self) == 0 && ::stat("/proc/1/ns/net", &init) == 0 &&
        self.st_ino == init.st_ino && self.st_dev == init.st_dev) {
        *why = QStringLiteral("this is the host's network namespace");
        return false;
    }
    // Only loopback and the harness's cards with the topology's addresses (see netns.sh).
    const QString topology = qEnvironmentVariable("QVX_E2E_TOPOLOGY", QStringLiteral("basic"));
    QStringList expected{QStringLiteral("192.168.0.10")};
    if (topology == QLatin1String("office"))
        expected = {QStringLiteral("192.168.0.200"), QStringLiteral("10.9.0.2")};
    else if (topology != QLatin1String("basic") && topology != QLatin1String("isolated")) {
        *why = QStringLiteral("unknown topology %1").arg(topology);
        return false;
    }
    QStringList seen;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            const QHostAddress a = entry.ip();
            if (a.protocol() != QAbstractSocket::IPv4Protocol || a.isLoopback())
                continue;
            if (expected.contains(a.toString()) && entry.prefixLength() == 24) {
                seen << a.toString();
                continue;
            }
            *why = QStringLiteral("unexpected address %1 on %2").arg(a.toString(), iface.name());
            return false;
        }
    }
    for (const QString &address : std::as_const(expected)) {
        if (!seen.contains(address)) {
            *why = QStringLiteral("no interface holds %1/24").arg(address);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qgetenv("QVX_E2E_NETNS") != "1") {
        std::fprintf(stderr, "test_e2e: runs only inside the namespaces of tests/e2e/netns.sh (ctest -L e2e)\n");
        return kSkip;
    }
    QString why;
    if (!InPrivateNetwork(&why)) {
        std::fprintf(stderr, "test_e2e: refusing to run: %s\n", qPrintable(why));
        return kSkip;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// qvx-devsim: simulated Ethernet-to-serial converters for trying QvxFinder without hardware.
#include "Options.h"
#include "SimServer.h"

#include <QFile>
#include <QStringList>

#include <cstdio>

using namespace qvx::devsim;

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    Options options;
    QString error;
    if (!parseOptions(args, &options, &error)) {
        std::fprintf(stderr, "qvx-devsim: %s\nTry qvx-devsim --help.\n", qPrintable(error));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(usageText()), stdout);
        return 0;
    }

    std::vector<Device> devices = makeDevices(options, &error);
    if (devices.empty()) {
        std::fprintf(stderr, "qvx-devsim: %s\n", qPrintable(error));
        return 2;
    }

    Logger log;
    if (!log.open(options.logPath, &error)) {
        std::fprintf(stderr, "qvx-devsim: %s\n", qPrintable(error));
        return 1;
    }

    Simulator simulator(std::move(devices), options.seed);
    simulator.setShortSettings(options.shortSettings);
    FaultInjector faults(options.faults, options.seed);
    SimServer server(simulator, faults, log);

    ServerSettings settings;
    settings.bindAddress = options.bindAddress;
    settings.port = options.port;
    settings.multicast = options.multicast;
    settings.interfaceName = options.interfaceName;
    if (!server.open(settings, &error)) {
        std::fprintf(stderr, "qvx-devsim: %s\n", qPrintable(error));
        return 1;
    }
    SimServer::installSignalHandlers(&server);

    const auto &list = simulator.devices();
    std::fprintf(stderr, "qvx-devsim: %zu device(s), %s .. %s, port %u%s%s\n", list.size(),
                 qPrintable(ipv4Text(list.front().address())), qPrintable(ipv4Text(list.back().address())),
                 unsigned(server.port()), server.joinedInterfaces().isEmpty() ? "" : ", group joined on ",
                 qPrintable(server.joinedInterfaces().join(QStringLiteral(", "))));
    for (const Device &d : list)
        log.line(QStringLiteral("device %1 %2%3%4")
                     .arg(ipv4Text(d.address()), qvx::macText(d.settings.mac), d.silent ? QStringLiteral(" silent") : QString(),
                          d.faulty && !options.faultIps.empty() ? QStringLiteral(" faulty") : QString()));

    if (!options.readyFile.isEmpty()) {
        QFile ready(options.readyFile);
        if (ready.open(QIODevice::WriteOnly))
            ready.write(QByteArray::number(server.port()) + '\n');
    }
    return server.run();
}

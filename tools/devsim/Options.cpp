#include "Options.h"

#include <algorithm>

namespace qvx::devsim {

namespace {

bool contains(const std::vector<Ipv4> &list, Ipv4 address)
{
    return std::find(list.begin(), list.end(), address) != list.end();
}

bool toInt(const QString &text, int min, int max, int *out)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return false;
    *out = value;
    return true;
}

} // namespace

QString usageText()
{
    return QStringLiteral(
        "Usage: qvx-devsim [options]\n"
        "Simulates Ethernet-to-serial converters answering QvxFinder on UDP.\n"
        "Run it inside a network namespace or on a test network: it answers on port 4096 and\n"
        "joins the group 239.0.0.8.\n"
        "\n"
        "Devices:\n"
        "  --devices N             number of devices (1..10000, default 1)\n"
        "  --first-ip A            address of the first device (default 192.168.0.1); the\n"
        "                          others take the following addresses\n"
        "  --first-number N        number of the first device, which ends its MAC address\n"
        "                          (1..1000000, default 1): keeps two simulators apart\n"
        "  --skip A                leave this address out (repeatable), e.g. the program's\n"
        "  --password P            every device's password, 1..12 characters (default 123456)\n"
        "  --short-settings        answer 97 with 28 data bytes (no mode, no TCP server)\n"
        "Network:\n"
        "  --interface NAME        join the group on this interface only (default: all)\n"
        "  --bind-address A        listen on this local address only (default: every address;\n"
        "                          with an address, requests to the group are not received)\n"
        "  --port P                device port (default 4096)\n"
        "  --no-multicast          do not join the group\n"
        "Faults and timing:\n"
        "  --delay-ms MS           delay every reply\n"
        "  --jitter-ms MS          add 0..MS more, drawn per reply\n"
        "  --drop PERCENT          leave replies out\n"
        "  --corrupt-checksum PERCENT  send replies with a wrong checksum\n"
        "  --truncate PERCENT      cut replies short\n"
        "  --duplicate PERCENT     send replies twice\n"
        "  --fault-ip A            apply the faults above only to the device at A (repeatable)\n"
        "  --silent                no device answers (requests still act)\n"
        "  --silent-ip A           the device at A never answers (repeatable)\n"
        "  --seed N                seed of the fault and MAC generators (default 1)\n"
        "Other:\n"
        "  --log FILE              log every datagram in and out, in hex with a time stamp\n"
        "                          (\"-\" for standard output)\n"
        "  --ready-file FILE       write FILE once the socket listens\n"
        "  --help                  this text\n");
}

bool parseOptions(const QStringList &args, Options *o, QString *error)
{
    for (int i = 0; i < args.size(); ++i) {
        QString name = args[i];
        QString value;
        bool hasInlineValue = false;
        const int eq = name.indexOf(QLatin1Char('='));
        if (name.startsWith(QLatin1String("--")) && eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasInlineValue = true;
        }
        const auto flag = [&](bool *target) {
            if (hasInlineValue) {
                *error = QStringLiteral("%1 takes no value").arg(name);
                return false;
            }
            *target = true;
            return true;
        };
        const auto next = [&](QString *out) {
            if (hasInlineValue) {
                *out = value;
                return true;
            }
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("%1 needs a value").arg(name);
                return false;
            }
            *out = args[++i];
            return true;
        };
        const auto number = [&](int min, int max, int *target) {
            QString text;
            if (!next(&text))
                return false;
            if (!toInt(text, min, max, target)) {
                *error = QStringLiteral("%1: expected a number from %2 to %3, got \"%4\"").arg(name).arg(min).arg(max).arg(text);
                return false;
            }
            return true;
        };
        const auto address = [&](Ipv4 *target) {
            QString text;
            if (!next(&text))
                return false;
            const std::optional<Ipv4> parsed = parseIpv4(text);
            if (!parsed) {
                *error = QStringLiteral("%1: \"%2\" is not an IPv4 address").arg(name, text);
                return false;
            }
            *target = *parsed;
            return true;
        };
        const auto addressList = [&](std::vector<Ipv4> *target) {
            Ipv4 a = 0;
            if (!address(&a))
                return false;
            target->push_back(a);
            return true;
        };

        bool ok = true;
        if (name == QLatin1String("--help") || name == QLatin1String("-h"))
            ok = flag(&o->help);
        else if (name == QLatin1String("--devices"))
            ok = number(1, 10000, &o->devices);
        else if (name == QLatin1String("--first-number"))
            ok = number(1, 1000000, &o->firstNumber);
        else if (name == QLatin1String("--first-ip"))
            ok = address(&o->firstIp);
        else if (name == QLatin1String("--skip"))
            ok = addressList(&o->skip);
        else if (name == QLatin1String("--interface"))
            ok = next(&o->interfaceName);
        else if (name == QLatin1String("--bind-address"))
            ok = address(&o->bindAddress);
        else if (name == QLatin1String("--port")) {
            int port = 0;
            ok = number(1, 65535, &port);
            o->port = quint16(port);
        } else if (name == QLatin1String("--no-multicast")) {
            bool noMulticast = false;
            ok = flag(&noMulticast);
            o->multicast = !noMulticast;
        } else if (name == QLatin1String("--password")) {
            ok = next(&o->password);
            if (ok && (o->password.isEmpty() || o->password.size() > 12 || o->password.toLatin1() != o->password.toUtf8())) {
                *error = QStringLiteral("--password: 1 to 12 plain ASCII characters");
                ok = false;
            }
        } else if (name == QLatin1String("--short-settings"))
            ok = flag(&o->shortSettings);
        else if (name == QLatin1String("--delay-ms"))
            ok = number(0, 600000, &o->faults.delayMs);
        else if (name == QLatin1String("--jitter-ms"))
            ok = number(0, 600000, &o->faults.jitterMs);
        else if (name == QLatin1String("--drop"))
            ok = number(0, 100, &o->faults.dropPercent);
        else if (name == QLatin1String("--corrupt-checksum"))
            ok = number(0, 100, &o->faults.corruptPercent);
        else if (name == QLatin1String("--truncate"))
            ok = number(0, 100, &o->faults.truncatePercent);
        else if (name == QLatin1String("--duplicate"))
            ok = number(0, 100, &o->faults.duplicatePercent);
        else if (name == QLatin1String("--fault-ip"))
            ok = addressList(&o->faultIps);
        else if (name == QLatin1String("--silent"))
            ok = flag(&o->silent);
        else if (name == QLatin1String("--silent-ip"))
            ok = addressList(&o->silentIps);
        else if (name == QLatin1String("--seed")) {
            QString text;
            ok = next(&text);
            bool parsed = false;
            const quint32 seed = ok ? text.toUInt(&parsed, 0) : 0;
            if (ok && !parsed) {
                *error = QStringLiteral("--seed: \"%1\" is not a number").arg(text);
                ok = false;
            }
            o->seed = seed;
        } else if (name == QLatin1String("--log"))
            ok = next(&o->logPath);
        else if (name == QLatin1String("--ready-file"))
            ok = next(&o->readyFile);
        else {
            *error = QStringLiteral("unknown option %1").arg(args[i]);
            ok = false;
        }
        if (!ok)
            return false;
    }
    return true;
}

std::vector<Device> makeDevices(const Options &o, QString *error)
{
    std::vector<Device> devices;
    quint64 next = o.firstIp;
    for (int n = 0; n < o.devices; ++n) {
        while (next <= 0xFFFFFFFFull &&
               (contains(o.skip, Ipv4(next)) || (next & 0xFF) == 0 || (next & 0xFF) == 255))
            ++next;
        if (next > 0xFFFFFFFFull || isMulticast(Ipv4(next)) || isMulticast(o.firstIp)) {
            *error = QStringLiteral("not enough unicast addresses after %1 for %2 devices")
                         .arg(ipv4Text(o.firstIp))
                         .arg(o.devices);
            return {};
        }
        const Ipv4 address = Ipv4(next++);
        const int number = o.firstNumber + n;

        Device d;
        d.settings.mac = {0x00, 0x04, 0xA3, quint8(number >> 16), quint8(number >> 8), quint8(number & 0xFF)};
        d.settings.ip = toOctets(address);
        d.settings.gateway = toOctets((address & 0xFFFFFF00u) | 254u);
        d.factory = d.settings;
        d.password = padPassword(o.password);
        d.factoryPassword = d.password;
        d.silent = o.silent || contains(o.silentIps, address);
        d.faulty = o.faultIps.empty() || contains(o.faultIps, address);
        devices.push_back(d);
    }
    for (const std::vector<Ipv4> *list : {&o.silentIps, &o.faultIps}) {
        for (Ipv4 a : *list) {
            const bool found = std::any_of(devices.begin(), devices.end(), [&](const Device &d) { return d.address() == a; });
            if (!found) {
                *error = QStringLiteral("%1 names no simulated device").arg(ipv4Text(a));
                return {};
            }
        }
    }
    return devices;
}

} // namespace qvx::devsim

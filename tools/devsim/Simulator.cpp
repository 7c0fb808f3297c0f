#include "Simulator.h"

#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <algorithm>

namespace qvx::devsim {

namespace {

QByteArray Ack()
{
    return simpleCommandData();
}

QByteArray Result(bool ok)
{
    return ok ? QByteArray("\xFF\xFF", 2) : QByteArray(2, '\0');
}

bool IsSimpleCommand(quint8 cmd)
{
    switch (cmd) {
    case CmdDownloadSettings:
    case CmdSetDefault:
    case CmdLoginStatus:
    case CmdLogout:
    case CmdDownloadSource:
    case CmdDiscovery:
    case CmdDownloadBridge:
    case CmdMacAutomatic:
        return true;
    default:
        return false;
    }
}

Mac6 MacFrom(const QByteArray &data, int offset)
{
    Mac6 mac{};
    for (int i = 0; i < 6; ++i)
        mac[i] = static_cast<quint8>(data[offset + i]);
    return mac;
}

QString Who(const Device &d)
{
    return QStringLiteral("%1 (%2)").arg(ipv4Text(d.address()), macText(d.settings.mac));
}

} // namespace

Simulator::Simulator(std::vector<Device> devices, quint32 seed) : m_devices(std::move(devices)), m_rng(seed) {}

int Simulator::requestLength(quint8 cmd)
{
    if (IsSimpleCommand(cmd))
        return 2;
    switch (cmd) {
    case CmdUploadSettings: return kSettingsUploadLength;
    case CmdLogin: return 12;
    case CmdSetPassword: return 24;
    case CmdBaudOnTheFly: return 2;
    case CmdUploadSource: return kSourceFilterLength;
    case CmdUploadSelected: return kDeviceUploadLength;
    case CmdFactorySetting: return 6;
    case CmdUploadBridge: return kBridgeBlockLength;
    case CmdMacFromCode: return 3;
    default: return -1;
    }
}

int Simulator::findByAddress(Ipv4 address) const
{
    for (std::size_t i = 0; i < m_devices.size(); ++i)
        if (m_devices[i].address() == address)
            return int(i);
    return -1;
}

int Simulator::findByMac(const Mac6 &mac) const
{
    for (std::size_t i = 0; i < m_devices.size(); ++i)
        if (m_devices[i].settings.mac == mac)
            return int(i);
    return -1;
}

Outcome Simulator::handle(const Datagram &in, qint64 nowMs)
{
    Outcome out;
    const std::optional<Frame> frame = recognizeRequest(in.bytes);
    if (!frame) {
        out.notes << QStringLiteral("ignored: not a well-formed request frame");
        return out;
    }
    const quint8 cmd = frame->cmd;
    const int wanted = requestLength(cmd);
    if (wanted < 0) {
        out.notes << QStringLiteral("ignored: unknown command %1").arg(cmd);
        return out;
    }
    if (frame->data.size() != wanted || (IsSimpleCommand(cmd) && frame->data != simpleCommandData())) {
        out.notes << QStringLiteral("ignored: malformed %1 request (LEN %2)")
                         .arg(QString::fromLatin1(commandName(cmd)))
                         .arg(frame->data.size());
        return out;
    }

    std::vector<int> targets;
    if (isMulticast(in.to)) {
        for (std::size_t i = 0; i < m_devices.size(); ++i)
            targets.push_back(int(i));
    } else {
        for (std::size_t i = 0; i < m_devices.size(); ++i)
            if (m_devices[i].address() == in.to)
                targets.push_back(int(i));
    }
    if (targets.empty()) {
        out.notes << QStringLiteral("ignored: no device at %1").arg(ipv4Text(in.to));
        return out;
    }

    // 108 and 109 name their device by its MAC address; the others stay silent.
    if (cmd == CmdUploadSelected || cmd == CmdFactorySetting) {
        const Mac6 destination = MacFrom(frame->data, 0);
        std::erase_if(targets, [&](int i) { return m_devices[i].settings.mac != destination; });
        if (targets.empty()) {
            out.notes << QStringLiteral("ignored: %1 for %2, no such device here")
                             .arg(QString::fromLatin1(commandName(cmd)), macText(destination));
            return out;
        }
    }

    for (int index : targets) {
        const Ipv4 from = m_devices[index].address();
        QByteArray replyData;
        if (!act(index, cmd, frame->data, nowMs, &replyData, &out.notes))
            continue;
        if (m_devices[index].silent) {
            out.notes << QStringLiteral("%1 is silent: no reply").arg(ipv4Text(from));
            continue;
        }
        out.replies.push_back(Reply{index, cmd, from, in.from, in.fromPort, buildReplyFrame(cmd, replyData)});
    }
    return out;
}

bool Simulator::act(int index, quint8 cmd, const QByteArray &data, qint64 nowMs, QByteArray *reply,
                    QStringList *notes)
{
    Device &d = m_devices[index];
    DeviceSettings &s = d.settings;
    switch (cmd) {
    case CmdDownloadSettings:
        *reply = encodeSettingsBlock(toSettingsBlock(s, !m_shortSettings));
        return true;

    case CmdUploadSettings: {
        const Ipv4 before = d.address();
        applyUpload(s, decodeSettingsUploadBlock(data));
        if (d.address() != before)
            *notes << QStringLiteral("%1 moved to %2").arg(ipv4Text(before), ipv4Text(d.address()));
        *reply = Ack();
        return true;
    }

    case CmdSetDefault: {
        // Default configuration: the start settings, but the device keeps its identity on
        // the network (MAC address, address, mask, gateway).
        DeviceSettings restored = d.factory;
        restored.mac = s.mac;
        restored.ip = s.ip;
        restored.mask = s.mask;
        restored.gateway = s.gateway;
        s = restored;
        *reply = Ack();
        return true;
    }

    case CmdLogin:
        d.loggedIn = data == d.password;
        if (d.loggedIn)
            d.loginAtMs = nowMs;
        *notes << QStringLiteral("%1 login %2").arg(Who(d), d.loggedIn ? "accepted" : "refused");
        *reply = Result(d.loggedIn);
        return true;

    case CmdSetPassword: {
        const bool ok = data.left(12) == d.password;
        if (ok) {
            d.password = data.mid(12, 12);
            d.loggedIn = true;
            d.loginAtMs = nowMs;
        } else {
            d.loggedIn = false;
        }
        *notes << QStringLiteral("%1 password %2").arg(Who(d), ok ? "changed" : "not changed: wrong old password");
        *reply = Result(ok);
        return true;
    }

    case CmdLoginStatus:
        if (d.loggedIn) {
            const qint64 seconds = std::max<qint64>(0, (nowMs - d.loginAtMs) / 1000);
            reply->append(Result(true));
            reply->append(static_cast<char>(std::min<qint64>(seconds / 60, 255)));
            reply->append(static_cast<char>(seconds % 60));
        } else {
            reply->append(QByteArray(4, '\0'));
        }
        return true;

    case CmdLogout:
        d.loggedIn = false;
        *reply = Ack();
        return true;

    case CmdBaudOnTheFly: {
        const UartQuickBlock quick = decodeUartQuickBlock(data);
        if (quick.baudCode < kBaudRates.size()) {
            s.baudCode = quick.baudCode;
            s.format = quick.format;
            *notes << QStringLiteral("%1 serial port now %2 bit/s, format %3")
                          .arg(ipv4Text(d.address()))
                          .arg(kBaudRates[quick.baudCode])
                          .arg(quick.format, 2, 16, QLatin1Char('0'));
        } else {
            *notes << QStringLiteral("%1 refused baud code %2").arg(ipv4Text(d.address())).arg(quick.baudCode);
        }
        return false; // no reply to 104
    }

    case CmdDownloadSource:
        *reply = encodeSourceFilterBlock(toSourceFilterBlock(s));
        return true;

    case CmdUploadSource:
        s.sources = decodeSourceFilterBlock(data).sources;
        *reply = Ack();
        return true;

    case CmdDiscovery:
        *reply = encodeDiscoveryRecord(toDiscoveryRecord(s));
        return true;

    case CmdUploadSelected: {
        const Ipv4 before = d.address();
        applyDeviceUpload(s, decodeDeviceUploadBlock(data).settings);
        *notes << QStringLiteral("%1 uploaded: now %2").arg(ipv4Text(before), Who(d));
        *reply = Ack();
        return true;
    }

    case CmdFactorySetting: {
        // Back to the start settings and password; the MAC address stays.
        const Mac6 mac = s.mac;
        s = d.factory;
        s.mac = mac;
        d.password = d.factoryPassword;
        d.loggedIn = false;
        *notes << QStringLiteral("%1 back to its factory setting").arg(Who(d));
        *reply = Ack();
        return true;
    }

    case CmdDownloadBridge:
        *reply = encodeBridgeBlock(s.bridge);
        return true;

    case CmdUploadBridge:
        s.bridge = decodeBridgeBlock(data);
        *reply = Ack();
        return true;

    case CmdMacAutomatic: {
        const Mac6 old = s.mac;
        s.mac = newMac(old);
        *notes << QStringLiteral("%1 MAC %2 -> %3").arg(ipv4Text(d.address()), macText(old), macText(s.mac));
        *reply = Ack();
        return true;
    }

    case CmdMacFromCode: {
        const Mac6 old = s.mac;
        s.mac = {0x00, 0x04, 0xA3, quint8(data[0]), quint8(data[1]), quint8(data[2])};
        *notes << QStringLiteral("%1 MAC %2 -> %3").arg(ipv4Text(d.address()), macText(old), macText(s.mac));
        *reply = Ack();
        return true;
    }

    default:
        return false;
    }
}

Mac6 Simulator::newMac(const Mac6 &current)
{
    std::uniform_int_distribution<int> byte(0, 255);
    Mac6 mac = current;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        mac = {0x00, 0x04, 0xA3, quint8(byte(m_rng)), quint8(byte(m_rng)), quint8(byte(m_rng))};
        if (mac != current && findByMac(mac) < 0 && (mac[3] | mac[4] | mac[5]) != 0)
            return mac;
    }
    return mac;
}

} // namespace qvx::devsim

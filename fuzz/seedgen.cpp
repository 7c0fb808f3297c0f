// Writes the seed corpus of the fuzz targets: realistic replies of every code 97..113,
// short and oversized frames, texts for the entry rules, and whole arrivals for the
// dispatcher (input format in fuzz_dispatcher.cpp).
//   fuzz_seedgen <dir>   writes <dir>/fuzz_reply_frames, <dir>/fuzz_text_rules, <dir>/fuzz_sheet and
//                        <dir>/fuzz_dispatcher, one file per seed.
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <cstdio>

using namespace qvx;

namespace {

DiscoveryRecord device(int n)
{
    DiscoveryRecord r;
    r.mac = {0x00, 0x04, 0xA3, quint8(n >> 16), quint8(n >> 8), quint8(n)};
    r.ip = {192, 168, 0, quint8(1 + n % 250)};
    r.mask = {255, 255, 255, 0};
    r.gateway = {192, 168, 0, 254};
    r.localPort = 4096;
    r.remotePort = 4097;
    r.baudCode = quint8(n % 10); // 9 is "UNKNOWN"
    r.uartTimeout = quint16(kAutoUartTimeouts[std::size_t(n % 9)]);
    r.unread25 = 0x3A;
    r.format = encodeUartFormat({n % 2 == 1, Parity(n % 3), n % 4 == 3});
    r.timeoutToDefault = quint8(n % 3); // 2: a device's non-zero enable byte
    r.sources = {Octets4{10, 0, 0, 1}, Octets4{10, 0, 0, 2}, Octets4{}, Octets4{}};
    r.bridgeStatus = quint8(n % 2);
    r.bridgeLocalPort = 5000;
    r.bridgeRemotePorts = {5001, 5002, 0, 0, 65535};
    r.bridgeIps = {Octets4{192, 168, 1, 10}, Octets4{192, 168, 1, 11}, Octets4{}, Octets4{}, Octets4{255, 255, 255, 255}};
    return r;
}

SettingsBlock settings(bool withMode)
{
    SettingsBlock s;
    s.mac = {0x00, 0x04, 0xA3, 0x12, 0x34, 0x56};
    s.ip = {192, 168, 0, 1};
    s.mask = {255, 255, 255, 0};
    s.gateway = {192, 168, 0, 254};
    s.localPort = 4096;
    s.remotePort = 4097;
    s.baudCode = 8;
    s.uartTimeout = 271;
    s.firmware = 0x3A;
    s.format = encodeUartFormat({false, Parity::Even, true});
    s.timeoutToDefault = 1;
    s.hasMode = withMode;
    s.mode = encodeModeFlags({true, true, false});
    s.tcpServer = {192, 168, 0, 100};
    return s;
}

BridgeBlock bridge()
{
    BridgeBlock b;
    b.enabled = true;
    b.localPort = 6000;
    b.remotePorts = {6001, 6002, 6003, 6004, 6005};
    b.ips = {Octets4{10, 1, 1, 1}, Octets4{10, 1, 1, 2}, Octets4{10, 1, 1, 3}, Octets4{10, 1, 1, 4}, Octets4{10, 1, 1, 5}};
    return b;
}

QByteArray result(quint8 a, quint8 b)
{
    QByteArray out;
    out.append(char(a));
    out.append(char(b));
    return out;
}

QByteArray loginTime(quint8 state, quint8 h, quint8 m)
{
    QByteArray out = result(state, state);
    out.append(char(h));
    out.append(char(m));
    return out;
}

// One realistic reply of every code, and a few of each code with other data.
QList<QByteArray> replies()
{
    SourceFilterBlock sources;
    sources.sources = {Octets4{10, 0, 0, 1}, Octets4{172, 16, 0, 1}, Octets4{}, Octets4{255, 255, 255, 255}};
    return {
        buildReplyFrame(CmdDownloadSettings, encodeSettingsBlock(settings(true))),
        buildReplyFrame(CmdDownloadSettings, encodeSettingsBlock(settings(false))),
        buildReplyFrame(CmdUploadSettings, simpleCommandData()),
        buildReplyFrame(CmdSetDefault, simpleCommandData()),
        buildReplyFrame(CmdLogin, result(255, 255)),
        buildReplyFrame(CmdLogin, result(0, 0)),
        buildReplyFrame(CmdLogin, result(255, 0)),
        buildReplyFrame(CmdSetPassword, result(255, 255)),
        buildReplyFrame(CmdSetPassword, result(0, 0)),
        buildReplyFrame(CmdLoginStatus, loginTime(255, 7, 5)),
        buildReplyFrame(CmdLoginStatus, loginTime(0, 0, 0)),
        buildReplyFrame(CmdLoginStatus, result(255, 255)),
        buildReplyFrame(CmdLogout, simpleCommandData()),
        buildReplyFrame(CmdBaudOnTheFly, simpleCommandData()),
        buildReplyFrame(CmdDownloadSource, encodeSourceFilterBlock(sources)),
        buildReplyFrame(CmdUploadSource, simpleCommandData()),
        buildReplyFrame(CmdDiscovery, encodeDiscoveryRecord(device(1))),
        buildReplyFrame(CmdDiscovery, encodeDiscoveryRecord(device(2)).left(40)),
        buildReplyFrame(CmdUploadSelected, simpleCommandData()),
        buildReplyFrame(CmdFactorySetting, simpleCommandData()),
        buildReplyFrame(CmdDownloadBridge, encodeBridgeBlock(bridge())),
        buildReplyFrame(CmdUploadBridge, simpleCommandData()),
        buildReplyFrame(CmdMacAutomatic, simpleCommandData()),
        buildReplyFrame(CmdMacFromCode, simpleCommandData()),
        // Longest data that still fits the stored bytes, and an empty one.
        buildReplyFrame(CmdDiscovery, QByteArray(kMaxReplyDataLength, '\x5A')),
        buildReplyFrame(CmdDownloadSettings, QByteArray()),
    };
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

// Dispatcher input: flags, selector, records (see fuzz_dispatcher.cpp).
QByteArray arrivalInput(quint8 flags, quint8 selector, const QList<QList<QByteArray>> &arrivals)
{
    QByteArray out;
    out.append(char(flags));
    out.append(char(selector));
    for (const QList<QByteArray> &arrival : arrivals) {
        for (const QByteArray &d : arrival) {
            Q_ASSERT(d.size() <= 126);
            out.append(char(d.size() + 1));
            out.append(d);
        }
        out.append('\0');
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus-dir>\n", argv[0]);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    int written = 0;
    const auto put = [&](const QString &target, const QString &name, const QByteArray &bytes) {
        if (!root.mkpath(target) || !writeFile(root.filePath(target + QLatin1Char('/') + name), bytes)) {
            std::fprintf(stderr, "cannot write %s/%s\n", qPrintable(target), qPrintable(name));
            std::exit(1);
        }
        ++written;
    };

    // ---- Reply frames ----
    const QList<QByteArray> frames = replies();
    for (int i = 0; i < frames.size(); ++i) {
        const QByteArray &f = frames[i];
        const QString name = QStringLiteral("reply-%1-%2").arg(quint8(f[2])).arg(i, 2, 10, QLatin1Char('0'));
        put(QStringLiteral("fuzz_reply_frames"), name, f);
    }
    // Damaged frames: checksum, end marker, a request echoed back, trailing bytes, oversized.
    QByteArray bad = frames[0];
    bad[bad.size() - 2] = char(bad[bad.size() - 2] ^ 1);
    put(QStringLiteral("fuzz_reply_frames"), QStringLiteral("bad-checksum"), bad);
    bad = frames[0];
    bad[bad.size() - 1] = '<';
    put(QStringLiteral("fuzz_reply_frames"), QStringLiteral("bad-end"), bad);
    put(QStringLiteral("fuzz_reply_frames"), QStringLiteral("request-echo"), buildRequestFrame(CmdSetDefault, simpleCommandData()));
    put(QStringLiteral("fuzz_reply_frames"), QStringLiteral("trailing"), frames[3] + QByteArray(150, '\xFF'));
    put(QStringLiteral("fuzz_reply_frames"), QStringLiteral("request-device-upload"),
        buildRequestFrame(CmdUploadSelected, encodeDeviceUploadBlock({{1, 2, 3, 4, 5, 6}, device(9)})));

    // ---- Texts ----
    const char *texts[] = {"192", " 168 ", "0", "255", "256", "-1", "65535", "65536", "4096", "2.5", "3.5", "-2.5",
                           "1E3", "1e-3", "1D2", "&HFF", "&hff", "&O17", "&H", "1 2 3", "\t12\n", "+.5", "5.",
                           "1e", "1e+", "1e400", "-1e400", "1e-400", "4.9e-324", "2.2250738585072014e-308",
                           "32767.5", "-32768.5", "2147483647.5", "9223372036854775807", "9223372036854775808",
                           "0.000000000000000000000000000000000000001e39", "12a", "a12", "", " ", ".", "-",
                           "0A", "ff", "FFFF", "1,5", "\xEF\xBC\x91\xEF\xBC\x92", "\xD9\xA1", "1\xC2\xA0"};
    int t = 0;
    for (const char *text : texts)
        put(QStringLiteral("fuzz_text_rules"), QStringLiteral("text-%1").arg(t++, 2, 10, QLatin1Char('0')),
            QByteArray(text));

    // ---- Commissioning sheets ----
    const char *sheets[] = {
        "mac,ip,local_port,baud\r\n00-04-A3-00-00-01,192.168.10.21,5001,19200\r\n"
        "00-04-A3-00-00-02,192.168.10.22,,\r\n",
        "\xEF\xBB\xBFip,mac\n10.0.0.1,00:04:a3:00:00:03\n\n",
        "mac,bridge,bridge_ip_1,bridge_port_1,source_2,parity,default_timeout\n"
        "00-04-A3-00-00-04,Enable,10.0.0.9,7000,10.0.0.1,odd,Disable\n",
        "mac,ip\n00-04-A3-00-00-05,\"10.0.0.\n5\"\n",
        "mac,ip\n00-04-A3-00-00-06,1.2.3.256\n",
        "mac,dhcp\n00-04-A3-00-00-07,Enable\n",
        "mac,ip\n00-04-A3-00-00-08,1.2.3.4\n00-04-A3-00-00-08,1.2.3.5\n",
        "mac,ip\n00-04-A3-00-00-09,10.0.0.9\n00-04-A3-00-00-0A,010.000.000.009\n",
        "\"a \"\"quoted\"\" field\",\"with, comma\"\r\n\"\"\r\n",
    };
    int sheetNumber = 0;
    for (const char *sheet : sheets)
        put(QStringLiteral("fuzz_sheet"), QStringLiteral("sheet-%1").arg(sheetNumber++, 2, 10, QLatin1Char('0')),
            QByteArray(sheet));

    // ---- Arrivals ----
    const QString d = QStringLiteral("fuzz_dispatcher");
    QList<QByteArray> storm;
    for (int n = 0; n < 12; ++n)
        storm.append(buildReplyFrame(CmdDiscovery, encodeDiscoveryRecord(device(n))));
    put(d, QStringLiteral("discovery-storm"), arrivalInput(0x01 | 0x40 | 0x80, 3, {storm}));
    put(d, QStringLiteral("discovery-hidden-timers"), arrivalInput(0x40 | 0x04 | 0x08, 0, {storm.mid(0, 3), storm.mid(3, 2)}));
    put(d, QStringLiteral("every-reply"), arrivalInput(0x00, 0, {frames}));
    put(d, QStringLiteral("every-reply-shown"), arrivalInput(0x01 | 0x02 | 0x20 | 0x80, 1, {frames}));
    put(d, QStringLiteral("login-sequence"),
        arrivalInput(0x04, 0, {{frames[4]}, {frames[9]}, {frames[12]}, {frames[10]}, {frames[7]}, {frames[8]}}));
    put(d, QStringLiteral("settings-then-write"),
        arrivalInput(0x02 | 0x10, 1, {{frames[0]}, {frames[2]}, {frames[1]}}));
    put(d, QStringLiteral("mac-reassigned"), arrivalInput(0x10, 15, {{frames[22], frames[23]}}));
    put(d, QStringLiteral("dialogs"), arrivalInput(0x20 | 0x10, 9, {{frames[14], frames[20]}, {frames[15], frames[21]}}));
    put(d, QStringLiteral("upload-confirmed"), arrivalInput(0x01 | 0x08 | 0x80, 0, {storm.mid(0, 2), {frames[18]}, {frames[19]}}));
    put(d, QStringLiteral("noise"), arrivalInput(0x04 | 0x40, 0, {{QByteArray(), QByteArray("<$"), bad, frames[13]}}));

    std::printf("%d seeds written to %s\n", written, argv[1]);
    return 0;
}

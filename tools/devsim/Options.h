#pragma once
#include "Address.h"
#include "Device.h"
#include "Faults.h"

#include <QStringList>
#include <vector>

namespace qvx::devsim {

struct Options {
    int devices = 1;
    Ipv4 firstIp = 0xC0A80001; // 192.168.0.1
    int firstNumber = 1;       // of the first device; its MAC address ends in it
    std::vector<Ipv4> skip;
    QString interfaceName;     // join the group here; empty: on every multicast interface
    Ipv4 bindAddress = 0;      // listen on this local address; 0: every address
    quint16 port = 4096;
    bool multicast = true;
    QString password = QStringLiteral("123456");
    FaultSettings faults;
    bool silent = false;
    std::vector<Ipv4> silentIps;
    std::vector<Ipv4> faultIps;
    bool shortSettings = false;
    quint32 seed = 1;
    QString logPath;           // "-" for standard output
    QString readyFile;
    bool help = false;
};

// Parses the command line (without the program name). "--name value" and "--name=value".
bool parseOptions(const QStringList &args, Options *options, QString *error);

QString usageText();

// The devices the options describe: consecutive addresses from firstIp, skipping the
// addresses given with --skip and host parts 0 and 255; MAC addresses 00-04-A3-00-hh-ll
// numbered from 1.
std::vector<Device> makeDevices(const Options &options, QString *error);

} // namespace qvx::devsim

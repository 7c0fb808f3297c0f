#pragma once
#include "Device.h"

#include <QStringList>
#include <random>
#include <vector>

namespace qvx::devsim {

// One datagram as it reached the device port: its bytes, where it came from and the
// destination address it carried (a device's own address or the group).
struct Datagram {
    QByteArray bytes;
    Ipv4 from = 0;
    quint16 fromPort = 0;
    Ipv4 to = 0;
};

// One reply frame, before fault injection: sent by `device` from its address `from`
// (the address it had when the request arrived) to the requester.
struct Reply {
    int device = -1;
    quint8 cmd = 0;
    Ipv4 from = 0;
    Ipv4 to = 0;
    quint16 toPort = 0;
    QByteArray frame;
};

struct Outcome {
    std::vector<Reply> replies;
    QStringList notes; // what happened, for the log: ignored requests, state changes
};

// The simulated devices and what each does with the program's requests. A request sent to
// the group reaches every device; one sent to an address reaches the device that holds it.
// Writes do not need a login (the program logs out before every write).
class Simulator {
public:
    explicit Simulator(std::vector<Device> devices, quint32 seed = 1);

    // Handles one request; nowMs is a monotonic clock for the login time.
    Outcome handle(const Datagram &in, qint64 nowMs);

    const std::vector<Device> &devices() const { return m_devices; }
    std::vector<Device> &devices() { return m_devices; }
    // index of the device at that address / with that MAC address, or -1.
    int findByAddress(Ipv4 address) const;
    int findByMac(const Mac6 &mac) const;

    // Answer 97 with the 28-byte settings block (no mode byte, no TCP server address).
    void setShortSettings(bool shortSettings) { m_shortSettings = shortSettings; }

    // Data length a well-formed request of this command carries; -1 for unknown codes.
    static int requestLength(quint8 cmd);

private:
    // Acts on one request for one device. Returns false when the device does not answer.
    bool act(int index, quint8 cmd, const QByteArray &data, qint64 nowMs, QByteArray *replyData,
             QStringList *notes);
    Mac6 newMac(const Mac6 &current);

    std::vector<Device> m_devices;
    std::mt19937 m_rng;
    bool m_shortSettings = false;
};

} // namespace qvx::devsim

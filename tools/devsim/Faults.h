#pragma once
#include <QByteArray>
#include <QString>
#include <random>
#include <vector>

namespace qvx::devsim {

// What happens to reply frames on their way out. Percentages are 0..100.
struct FaultSettings {
    int dropPercent = 0;      // the reply is not sent
    int corruptPercent = 0;   // the checksum byte is wrong
    int truncatePercent = 0;  // the datagram is cut short (at least one byte missing)
    int duplicatePercent = 0; // the reply is sent twice
    int delayMs = 0;          // every reply waits this long ...
    int jitterMs = 0;         // ... plus 0..jitterMs more, drawn per datagram
};

// One datagram to send: its bytes, how long after the request it leaves, and the fault that
// shaped it (empty when it is the reply as the device built it).
struct Emission {
    QByteArray bytes;
    int delayMs = 0;
    QString fault;
};

// Applies the fault settings, drawing from its own seeded generator so that a run with the
// same seed and the same traffic injects the same faults.
class FaultInjector {
public:
    explicit FaultInjector(const FaultSettings &settings = {}, quint32 seed = 1);

    // The datagrams that leave for one reply frame: none when dropped, two when duplicated.
    // With faultsApply false the frame goes out unchanged (the delay still applies).
    std::vector<Emission> apply(const QByteArray &frame, bool faultsApply, QString *dropped = nullptr);

    const FaultSettings &settings() const { return m_settings; }

private:
    bool roll(int percent);
    int delay();

    FaultSettings m_settings;
    std::mt19937 m_rng;
};

} // namespace qvx::devsim

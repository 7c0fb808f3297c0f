#include "Faults.h"

#include <QStringList>

namespace qvx::devsim {

FaultInjector::FaultInjector(const FaultSettings &settings, quint32 seed) : m_settings(settings), m_rng(seed) {}

bool FaultInjector::roll(int percent)
{
    if (percent <= 0)
        return false;
    if (percent >= 100)
        return true;
    return std::uniform_int_distribution<int>(0, 99)(m_rng) < percent;
}

int FaultInjector::delay()
{
    int ms = m_settings.delayMs;
    if (m_settings.jitterMs > 0)
        ms += std::uniform_int_distribution<int>(0, m_settings.jitterMs)(m_rng);
    return ms;
}

std::vector<Emission> FaultInjector::apply(const QByteArray &frame, bool faultsApply, QString *dropped)
{
    if (!faultsApply)
        return {Emission{frame, delay(), {}}};

    if (roll(m_settings.dropPercent)) {
        if (dropped)
            *dropped = QStringLiteral("dropped");
        return {};
    }

    Emission e{frame, 0, {}};
    QStringList faults;
    if (roll(m_settings.corruptPercent) && e.bytes.size() >= 2) {
        // The checksum sits just before the end marker; any other value is wrong.
        const int at = e.bytes.size() - 2;
        const int offset = std::uniform_int_distribution<int>(1, 255)(m_rng);
        e.bytes[at] = static_cast<char>((static_cast<quint8>(e.bytes[at]) + offset) & 0xFF);
        faults << QStringLiteral("corrupt checksum");
    }
    if (roll(m_settings.truncatePercent) && e.bytes.size() >= 2) {
        const int keep = std::uniform_int_distribution<int>(1, int(e.bytes.size()) - 1)(m_rng);
        e.bytes.truncate(keep);
        faults << QStringLiteral("truncated to %1 bytes").arg(keep);
    }
    e.fault = faults.join(QStringLiteral(", "));

    std::vector<Emission> out;
    e.delayMs = delay();
    out.push_back(e);
    if (roll(m_settings.duplicatePercent)) {
        Emission copy = e;
        copy.delayMs = delay();
        copy.fault = e.fault.isEmpty() ? QStringLiteral("duplicate") : e.fault + QStringLiteral(", duplicate");
        out.push_back(copy);
    }
    return out;
}

} // namespace qvx::devsim

#include "netadapters/DefaultGateways.h"

#include <QNetworkInterface>

#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>

namespace qvx {

DefaultGateways::DefaultGateways()
{
    PMIB_IPFORWARD_TABLE2 table = nullptr;
    if (GetIpForwardTable2(AF_INET, &table) != NO_ERROR || !table)
        return;
    // Of several default routes through one card, the one with the lowest metric.
    QHash<int, ULONG> metricOf;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IPFORWARD_ROW2 &row = table->Table[i];
        const quint32 gateway = ntohl(row.NextHop.Ipv4.sin_addr.s_addr);
        if (row.DestinationPrefix.PrefixLength != 0 || row.NextHop.si_family != AF_INET || gateway == 0)
            continue;
        const int index = int(row.InterfaceIndex);
        if (m_byInterfaceIndex.contains(index) && metricOf.value(index) <= row.Metric)
            continue;
        m_byInterfaceIndex.insert(index, gateway);
        metricOf.insert(index, row.Metric);
    }
    FreeMibTable(table);
}

quint32 DefaultGateways::through(const QNetworkInterface &card) const
{
    return m_byInterfaceIndex.value(card.index());
}

} // namespace qvx

#pragma once
#include "FakeEndpoint.h"
#include "RecordingSeams.h"

#include "app/AppContext.h"
#include "discovery/frm03Discovery.h"
#include "netadapters/AdapterPlatform.h"
#include "protocol/Layouts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QEvent>
#include <memory>
#include <optional>

namespace qvx::test {

// Adapter listing for the discovery window's tests: the given adapters, or a scripted
// answer to the first call.
class ScriptedAdapterPlatform : public AdapterPlatform {
public:
    struct Adapter {
        QByteArray mac, ip, mask, gateway;
    };

    void setAdapters(const QList<Adapter> &adapters)
    {
        QList<AdapterInfoRecord> records;
        int index = 1;
        for (const Adapter &a : adapters) {
            AdapterInfoRecord r{};
            SetRecordText(r.name, "eth" + QByteArray::number(index));
            SetRecordText(r.description, "Test adapter");
            r.index = index++;
            r.type = 6;
            SetRecordAddress(r, a.mac);
            SetRecordText(r.ipAddress, a.ip);
            SetRecordText(r.ipMask, a.mask);
            SetRecordText(r.gateway, a.gateway);
            records.append(r);
        }
        m_chain = SerializeAdapterChain(records);
    }

    std::optional<quint32> firstAnswer;
    int calls = 0;

    quint32 GetAdaptersInfo(QByteArray *buffer, quint32 *size) override
    {
        ++calls;
        if (calls == 1 && firstAnswer)
            return *firstAnswer;
        return AnswerAdaptersInfo(m_chain, buffer, size);
    }
    quint32 lastError() const override { return 0; }

private:
    QByteArray m_chain;
};

// The program wired to test doubles, with an adapter listing the test controls.
struct DiscoveryRig {
    DiscoveryRig() : ctx(std::make_unique<AppContext>(AppContext::Seams{&endpoint, &messages, &processes, &adapters}))
    {
    }
    void start() { ctx->start(false); }

    ProgramState &state() { return ctx->state(); }
    frm03Discovery &window() { return *ctx->discovery(); }

    // Lets a closed window's deferred deletion run.
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    FakeEndpoint endpoint;
    RecordingMessageSink messages;
    RecordingProcessLauncher processes;
    ScriptedAdapterPlatform adapters;
    std::unique_ptr<AppContext> ctx;
};

// A device as it answers a discovery: MAC 00-1A-2B-3C-4D-<last>, 7 data bits, odd parity,
// 2 stop bits, 9600 bit/s, bridge enabled.
inline DiscoveryRecord SampleDevice(quint8 last = 0x5E)
{
    DiscoveryRecord r;
    r.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, last};
    r.ip = {10, 0, 0, 254};
    r.mask = {255, 255, 255, 0};
    r.gateway = {10, 0, 0, 1};
    r.localPort = 4096;
    r.remotePort = 4097;
    r.baudCode = 4;
    r.uartTimeout = 3250;
    r.unread25 = 0x21;
    r.format = 0xDD;
    r.timeoutToDefault = 1;
    r.sources = {Octets4{1, 2, 3, 4}, Octets4{5, 6, 7, 8}, Octets4{9, 10, 11, 12}, Octets4{13, 14, 15, 16}};
    r.bridgeStatus = 1;
    r.bridgeLocalPort = 5000;
    r.bridgeRemotePorts = {5001, 5002, 5003, 5004, 5005};
    r.bridgeIps = {Octets4{192, 168, 1, 1}, Octets4{192, 168, 1, 2}, Octets4{192, 168, 1, 3},
                   Octets4{192, 168, 1, 4}, Octets4{192, 168, 1, 5}};
    return r;
}

} // namespace qvx::test

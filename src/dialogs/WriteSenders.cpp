#include "dialogs/WriteSenders.h"

#include "services/ProgramServices.h"
#include "dialogs/BridgeDialog.h"
#include "protocol/Commands.h"
#include "protocol/Layouts.h"
#include "protocol/MessageSink.h"

#include <QRadioButton>

namespace qvx {

namespace {

void warn(ProgramServices &services, const QString &text)
{
    services.messages().show(text, QStringLiteral("Message Warning"), MessageIcon::Exclamation);
}

bool isOctet(qint16 value)
{
    return value >= 0 && value <= 255;
}

bool isPort(qint32 value)
{
    return value >= 0 && value <= 65535;
}

void aimAtDevice(ProgramServices &services)
{
    if (!services.link().isUnicastTargetSelected())
        services.link().selectUnicastTarget();
}

} // namespace

void sendSourceFilter(ProgramServices &services)
{
    aimAtDevice(services);
    const ProgramState &state = services.state();

    SourceFilterBlock block;
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 4; ++i) {
            const qint16 octet = state.sourceFilter[k][i];
            if (!isOctet(octet)) {
                warn(services, QStringLiteral("Source %1 IP-Address Error").arg(k + 1));
                return;
            }
            block.sources[k][i] = static_cast<quint8>(octet);
        }
    }
    services.link().sendFrame(CmdUploadSource, encodeSourceFilterBlock(block), Target::Unicast, kReplyTimeoutMs);
}

void sendBridgeSettings(ProgramServices &services)
{
    aimAtDevice(services);
    const ProgramState &state = services.state();

    BridgeBlock block;
    // The status is read from the dialog itself; a dialog that has been closed (or never
    // opened) has neither button selected.
    const BridgeDialog *dialog = services.bridgeIfLoaded();
    block.enabled = dialog && dialog->bridgeEnabled && dialog->bridgeEnabled->isChecked();

    if (!isPort(state.bridgeLocalPort)) {
        warn(services, QStringLiteral("Local port Error"));
        return;
    }
    block.localPort = static_cast<quint16>(state.bridgeLocalPort);

    for (int k = 0; k < 5; ++k) {
        const qint32 port = state.bridgeRemotePorts[k];
        if (!isPort(port)) {
            warn(services, QStringLiteral("Remote port %1 Error").arg(k + 1));
            return;
        }
        block.remotePorts[k] = static_cast<quint16>(port);
    }

    for (int k = 0; k < 5; ++k) {
        for (int i = 0; i < 4; ++i) {
            const qint16 octet = state.bridgeAddresses[k][i];
            if (!isOctet(octet)) {
                warn(services, QStringLiteral("Bridge %1 IP-Address Error").arg(k + 1));
                return;
            }
            block.ips[k][i] = static_cast<quint8>(octet);
        }
    }
    services.link().sendFrame(CmdUploadBridge, encodeBridgeBlock(block), Target::Unicast, kReplyTimeoutMs);
}

void sendMacCode(ProgramServices &services)
{
    aimAtDevice(services);
    // The dialog keeps every byte within 0..255.
    QByteArray data;
    for (qint32 byte : services.state().macCodeBytes)
        data.append(static_cast<char>(byte & 0xFF));
    services.link().sendFrame(CmdMacFromCode, data, Target::Unicast, kReplyTimeoutMs);
}

void startWriteSequence(ProgramServices &services, quint8 writeCode)
{
    services.link().sendCommand(CmdLogout);
    services.state().pendingWriteCode = writeCode;
    services.deferredWriteTimer().arm(kDeferredWriteMs);
}

} // namespace qvx

#include "dialogs/WriteSenders.h"

#include "app/AppContext.h"
#include "dialogs/frm06Bridge.h"
#include "protocol/Commands.h"
#include "protocol/Layouts.h"
#include "protocol/MessageSink.h"

#include <QRadioButton>

namespace qvx {

namespace {

void warn(AppContext &ctx, const QString &text)
{
    ctx.messages().show(text, QStringLiteral("Message Warning"), MessageIcon::Exclamation);
}

bool isOctet(qint16 value)
{
    return value >= 0 && value <= 255;
}

bool isPort(qint32 value)
{
    return value >= 0 && value <= 65535;
}

void aimAtDevice(AppContext &ctx)
{
    if (!ctx.link().IsUnicastTargetSelected())
        ctx.link().SelectUnicastTarget();
}

} // namespace

void SendSourceFilter(AppContext &ctx)
{
    aimAtDevice(ctx);
    const ProgramState &state = ctx.state();

    SourceFilterBlock block;
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 4; ++i) {
            const qint16 octet = state.SourceIP[k][i];
            if (!isOctet(octet)) {
                warn(ctx, QStringLiteral("Source %1 IP-Address Error").arg(k + 1));
                return;
            }
            block.sources[k][i] = static_cast<quint8>(octet);
        }
    }
    ctx.link().SendFrame(CmdUploadSource, EncodeSourceFilterBlock(block), Target::Unicast, kReplyTimeoutMs);
}

void SendBridgeSettings(AppContext &ctx)
{
    aimAtDevice(ctx);
    const ProgramState &state = ctx.state();

    BridgeBlock block;
    // The status is read from the dialog itself; a dialog that has been closed (or never
    // opened) has neither button selected.
    const frm06Bridge *dialog = ctx.bridgeIfLoaded();
    block.enabled = dialog && dialog->optEnableB && dialog->optEnableB->isChecked();

    if (!isPort(state.BridgeLocalPort)) {
        warn(ctx, QStringLiteral("Local port Error"));
        return;
    }
    block.localPort = static_cast<quint16>(state.BridgeLocalPort);

    for (int k = 0; k < 5; ++k) {
        const qint32 port = state.BridgeRemotePort[k];
        if (!isPort(port)) {
            warn(ctx, QStringLiteral("Remote port %1 Error").arg(k + 1));
            return;
        }
        block.remotePorts[k] = static_cast<quint16>(port);
    }

    for (int k = 0; k < 5; ++k) {
        for (int i = 0; i < 4; ++i) {
            const qint16 octet = state.BridgeIP[k][i];
            if (!isOctet(octet)) {
                warn(ctx, QStringLiteral("Bridge %1 IP-Address Error").arg(k + 1));
                return;
            }
            block.ips[k][i] = static_cast<quint8>(octet);
        }
    }
    ctx.link().SendFrame(CmdUploadBridge, EncodeBridgeBlock(block), Target::Unicast, kReplyTimeoutMs);
}

void SendMacCode(AppContext &ctx)
{
    aimAtDevice(ctx);
    // The dialog keeps every byte within 0..255.
    QByteArray data;
    for (qint32 byte : ctx.state().MacCode)
        data.append(static_cast<char>(byte & 0xFF));
    ctx.link().SendFrame(CmdMacFromCode, data, Target::Unicast, kReplyTimeoutMs);
}

void StartWriteSequence(AppContext &ctx, quint8 writeCode)
{
    ctx.link().SendCommand(CmdLogout);
    ctx.state().LastCommandCode = writeCode;
    ctx.Timer4().arm(kDeferredWriteMs);
}

} // namespace qvx

#include "dialogs/WriteSenders.h"

#include "app/AppContext.h"
#include "dialogs/BridgeDialog.h"
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
    if (!ctx.link().isUnicastTargetSelected())
        ctx.link().selectUnicastTarget();
}

} // namespace

void sendSourceFilter(AppContext &ctx)
{
    aimAtDevice(ctx);
    const ProgramState &state = ctx.state();

    SourceFilterBlock block;
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 4; ++i) {
            const qint16 octet = state.sourceFilter[k][i];
            if (!isOctet(octet)) {
                warn(ctx, QStringLiteral("Source %1 IP-Address Error").arg(k + 1));
                return;
            }
            block.sources[k][i] = static_cast<quint8>(octet);
        }
    }
    ctx.link().sendFrame(CmdUploadSource, encodeSourceFilterBlock(block), Target::Unicast, kReplyTimeoutMs);
}

void sendBridgeSettings(AppContext &ctx)
{
    aimAtDevice(ctx);
    const ProgramState &state = ctx.state();

    BridgeBlock block;
    // The status is read from the dialog itself; a dialog that has been closed (or never
    // opened) has neither button selected.
    const BridgeDialog *dialog = ctx.bridgeIfLoaded();
    block.enabled = dialog && dialog->bridgeEnabled && dialog->bridgeEnabled->isChecked();

    if (!isPort(state.bridgeLocalPort)) {
        warn(ctx, QStringLiteral("Local port Error"));
        return;
    }
    block.localPort = static_cast<quint16>(state.bridgeLocalPort);

    for (int k = 0; k < 5; ++k) {
        const qint32 port = state.bridgeRemotePorts[k];
        if (!isPort(port)) {
            warn(ctx, QStringLiteral("Remote port %1 Error").arg(k + 1));
            return;
        }
        block.remotePorts[k] = static_cast<quint16>(port);
    }

    for (int k = 0; k < 5; ++k) {
        for (int i = 0; i < 4; ++i) {
            const qint16 octet = state.bridgeAddresses[k][i];
            if (!isOctet(octet)) {
                warn(ctx, QStringLiteral("Bridge %1 IP-Address Error").arg(k + 1));
                return;
            }
            block.ips[k][i] = static_cast<quint8>(octet);
        }
    }
    ctx.link().sendFrame(CmdUploadBridge, encodeBridgeBlock(block), Target::Unicast, kReplyTimeoutMs);
}

void sendMacCode(AppContext &ctx)
{
    aimAtDevice(ctx);
    // The dialog keeps every byte within 0..255.
    QByteArray data;
    for (qint32 byte : ctx.state().macCodeBytes)
        data.append(static_cast<char>(byte & 0xFF));
    ctx.link().sendFrame(CmdMacFromCode, data, Target::Unicast, kReplyTimeoutMs);
}

void startWriteSequence(AppContext &ctx, quint8 writeCode)
{
    ctx.link().sendCommand(CmdLogout);
    ctx.state().pendingWriteCode = writeCode;
    ctx.deferredWriteTimer().arm(kDeferredWriteMs);
}

} // namespace qvx

#include "dialogs/WriteSenders.h"

#include "services/ProgramServices.h"
#include "dialogs/BridgeDialog.h"
#include "protocol/Commands.h"
#include "protocol/FieldRules.h"
#include "protocol/Layouts.h"
#include "protocol/MessageSink.h"

#include <QRadioButton>

namespace qvx {

namespace {

void warn(ProgramServices &services, const QString &text)
{
    services.messages().show(text, kRefusedWriteTitle, MessageIcon::Exclamation);
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
    const Checked<SourceFilterBlock> block = checkSourceFilter(services.state().sourceFilter);
    if (!block.ok()) {
        warn(services, block.refusal);
        return;
    }
    services.link().sendFrame(CmdUploadSource, encodeSourceFilterBlock(*block.value), Target::Unicast, kReplyTimeoutMs);
}

void sendBridgeSettings(ProgramServices &services)
{
    aimAtDevice(services);
    const ProgramState &state = services.state();
    // The status is read from the dialog itself; a dialog that has been closed (or never
    // opened) has neither button selected.
    const BridgeDialog *dialog = services.bridgeIfLoaded();
    const bool enabled = dialog && dialog->bridgeEnabled && dialog->bridgeEnabled->isChecked();
    const Checked<BridgeBlock> block =
        checkBridgeSettings(enabled, state.bridgeLocalPort, state.bridgeRemotePorts, state.bridgeAddresses);
    if (!block.ok()) {
        warn(services, block.refusal);
        return;
    }
    services.link().sendFrame(CmdUploadBridge, encodeBridgeBlock(*block.value), Target::Unicast, kReplyTimeoutMs);
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
    services.link().startWriteSequence(writeCode, services.deferredWriteTimer(), kDeferredWriteMs);
}

} // namespace qvx

#include "dialogs/WriteSenders.h"

#include "services/ProgramServices.h"
#include "dialogs/BridgeDialog.h"
#include "protocol/Commands.h"
#include "protocol/FieldRules.h"
#include "protocol/Layouts.h"
#include "protocol/MessageSink.h"
#include "protocol/WriteSequence.h"

#include <QRadioButton>

namespace qvx {

namespace {

void warn(ProgramServices &services, const QString &text)
{
    services.messages().show(text, kRefusedWriteTitle, MessageIcon::Exclamation);
}

} // namespace

std::optional<QByteArray> sourceFilterBlock(ProgramServices &services)
{
    const Checked<SourceFilterBlock> block = checkSourceFilter(services.state().sourceFilter);
    if (!block.ok()) {
        warn(services, block.refusal);
        return std::nullopt;
    }
    return encodeSourceFilterBlock(*block.value);
}

std::optional<QByteArray> bridgeBlock(ProgramServices &services)
{
    const ProgramState &state = services.state();
    // The status is read from the dialog itself; a dialog that has been closed (or never
    // opened) has neither button selected.
    const BridgeDialog *dialog = services.bridgeIfLoaded();
    const bool enabled = dialog && dialog->bridgeEnabled && dialog->bridgeEnabled->isChecked();
    const Checked<BridgeBlock> block =
        checkBridgeSettings(enabled, state.bridgeLocalPort, state.bridgeRemotePorts, state.bridgeAddresses);
    if (!block.ok()) {
        warn(services, block.refusal);
        return std::nullopt;
    }
    return encodeBridgeBlock(*block.value);
}

std::optional<QByteArray> macCodeBlock(ProgramServices &services)
{
    // The dialog keeps every byte within 0..255.
    QByteArray data;
    for (qint32 byte : services.state().macCodeBytes)
        data.append(static_cast<char>(byte & 0xFF));
    return data;
}

void startWriteSequence(ProgramServices &services, quint8 writeCode,
                        std::optional<QByteArray> (*build)(ProgramServices &))
{
    services.writeSequence().start(writeCode, [&services, build] { return build(services); }, kDeferredWriteMs);
}

} // namespace qvx

#include "services/ReplyDispatcher.h"

#include "netadapters/CardSearch.h"
#include "protocol/Commands.h"
#include "protocol/Endpoint.h"
#include "protocol/Frame.h"
#include "protocol/Link.h"
#include "protocol/ProgramState.h"
#include "services/ProgramServices.h"

namespace qvx {

namespace {

// The one-byte result the device repeats in the first two data bytes: 255 yes, 0 no.
std::optional<bool> yesOrNo(const QByteArray &data)
{
    if (data.size() < 2 || data[0] != data[1])
        return std::nullopt;
    if (quint8(data[0]) == 255)
        return true;
    if (quint8(data[0]) == 0)
        return false;
    return std::nullopt;
}

} // namespace

ReplyDispatcher::ReplyDispatcher(ProgramServices &services) : m_services(services) {}

void ReplyDispatcher::onReadyRead()
{
    const QList<ReceivedDatagram> received = m_services.endpoint().readPendingDatagrams();
    m_datagramsRead += quint64(received.size());
    for (const ReceivedDatagram &datagram : received)
        handleDatagram(datagram);
    // A discovery storm brings thousands of rows in one arrival: they go out together.
    emitPendingDevices();
}

void ReplyDispatcher::handleDatagram(const QByteArray &datagram)
{
    ReceivedDatagram arrival;
    arrival.data = datagram;
    handleDatagram(arrival);
    emitPendingDevices();
}

void ReplyDispatcher::handleDatagram(const ReceivedDatagram &datagram)
{
    const QByteArray &data = datagram.data;
    if (data.isEmpty())
        return;
    // Only the first bytes of a reply count; a datagram within them is taken as it is.
    const std::optional<Frame> frame =
        recognizeReply(data.size() > kMaxStoredReplyBytes ? data.left(kMaxStoredReplyBytes) : data);
    if (!frame)
        return;
    ++m_framesRecognised;
    handleFrame(*frame, datagram);
}

void ReplyDispatcher::emitPendingDevices()
{
    if (!m_pendingDevices.isEmpty())
        Q_EMIT devicesFound(std::exchange(m_pendingDevices, {}));
}

void ReplyDispatcher::handleFrame(const Frame &frame, const ReceivedDatagram &arrival)
{
    ProgramState &state = m_services.state();
    const QByteArray &data = frame.data;
    if (frame.cmd < kFirstCommand || frame.cmd > kLastCommand || frame.cmd == CmdBaudOnTheFly)
        return; // no entry: ignored, the reply wait goes on
    if (frame.cmd == CmdDownloadSettings && m_searchClaim && m_searchClaim(arrival.sourceAddress)) {
        const ReplyOrigin origin{arrival.sourceAddress,
                                 m_services.cardSearch().cardOfReply(arrival.interfaceIndex,
                                                                     arrival.destinationAddress, arrival.sourceAddress)};
        Q_EMIT searchReplyReceived(decodeSettingsBlock(data), int(data.size()), origin);
        return;
    }
    m_services.link().stopReplyWait();
    state.silenceReported = false;

    switch (frame.cmd) {
    case CmdDownloadSettings: {
        const ReplyOrigin origin{arrival.sourceAddress,
                                 m_services.cardSearch().cardOfReply(arrival.interfaceIndex,
                                                                     arrival.destinationAddress, arrival.sourceAddress)};
        Q_EMIT settingsReceived(decodeSettingsBlock(data), int(data.size()), origin);
        break;
    }
    case CmdUploadSettings:
        Q_EMIT settingsUploadConfirmed();
        break;
    case CmdLogin:
        if (const std::optional<bool> accepted = yesOrNo(data))
            Q_EMIT loginReplied(*accepted);
        break;
    case CmdSetPassword:
        if (const std::optional<bool> accepted = yesOrNo(data)) {
            state.loggedIn = *accepted;
            Q_EMIT passwordChangeReplied(*accepted);
        }
        break;
    case CmdLoginStatus:
        if (const std::optional<bool> loggedIn = yesOrNo(data)) {
            state.loggedIn = *loggedIn;
            std::optional<std::pair<quint8, quint8>> loginTime;
            if (*loggedIn && data.size() >= 4)
                loginTime = std::pair{quint8(data[2]), quint8(data[3])};
            Q_EMIT loginStatusReceived(*loggedIn, loginTime);
        }
        break;
    case CmdLogout:
        state.loggedIn = false;
        Q_EMIT loggedOut();
        break;
    case CmdDownloadSource:
        Q_EMIT sourceFilterReceived(decodeSourceFilterBlock(data), int(data.size()));
        break;
    case CmdDiscovery: {
        state.discoveryPending = false;
        // Each device is listed with the card its reply came in on.
        DeviceReply device;
        device.record = decodeDiscoveryRecord(data);
        device.recordLength = int(data.size());
        device.origin = {arrival.sourceAddress,
                         m_services.cardSearch().cardOfReply(arrival.interfaceIndex, arrival.destinationAddress,
                                                             arrival.sourceAddress)};
        m_pendingDevices.append(device);
        break;
    }
    case CmdUploadSelected:
    case CmdFactorySetting:
        Q_EMIT deviceWriteConfirmed(frame.cmd);
        break;
    case CmdDownloadBridge:
        Q_EMIT bridgeReceived(decodeBridgeBlock(data), int(data.size()));
        break;
    case CmdMacAutomatic:
    case CmdMacFromCode:
        Q_EMIT macAddressChanged();
        break;
    default: // 99, 106, 111: only the reply wait ends
        Q_EMIT writeConfirmed(frame.cmd);
        break;
    }
}

} // namespace qvx

#include "programmer/ReplyDispatcher.h"

#include "services/ProgramServices.h"
#include "dialogs/SourceFilterDialog.h"
#include "dialogs/BridgeDialog.h"
#include "discovery/DiscoveryWindow.h"
#include "platform/HelperScriptPath.h"
#include "platform/ProcessLauncher.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Endpoint.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"
#include "protocol/MessageSink.h"
#include "netadapters/CardSearch.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPointer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace qvx {

namespace {

// True when the data holds the `width` bytes starting at `offset`.
bool covers(const QByteArray &data, int offset, int width)
{
    return data.size() >= offset + width;
}

quint8 byteAt(const QByteArray &data, int offset)
{
    return static_cast<quint8>(data[offset]);
}

QString twoDigits(quint8 value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

bool resultIs(const QByteArray &data, quint8 value)
{
    return covers(data, 0, 2) && byteAt(data, 0) == value && byteAt(data, 1) == value;
}

} // namespace

ReplyDispatcher::ReplyDispatcher(ProgramServices &services) : m_services(services) {}

void ReplyDispatcher::onReadyRead()
{
    // Everything is taken first: handling a reply may close and re-bind the socket, which
    // discards what is still waiting.
    const QList<ReceivedDatagram> received = m_services.endpoint().readPendingDatagrams();
    m_datagramsRead += quint64(received.size());
    // A discovery storm brings thousands of rows in one arrival: the discovery window
    // makes the newest one current once, at the end.
    QPointer<DiscoveryWindow> batched;
    for (const ReceivedDatagram &datagram : received) {
        if (datagram.data.isEmpty())
            continue;
        if (!batched && (batched = m_services.discoveryIfLoaded()))
            batched->setRowBatch(true);
        handleDatagram(datagram);
    }
    if (batched)
        batched->setRowBatch(false);
}

void ReplyDispatcher::handleDatagram(const QByteArray &datagram)
{
    ReceivedDatagram arrival;
    arrival.data = datagram;
    handleDatagram(arrival);
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

void ReplyDispatcher::handleFrame(const Frame &frame, const ReceivedDatagram &arrival)
{
    ProgramState &state = m_services.state();
    ProgrammerWindow *programmer = m_services.programmer();
    const QByteArray &data = frame.data;

    switch (frame.cmd) {
    case CmdDownloadSettings:
    case CmdUploadSettings:
    case CmdSetDefault:
    case CmdLogin:
    case CmdSetPassword:
    case CmdLoginStatus:
    case CmdLogout:
    case CmdDownloadSource:
    case CmdUploadSource:
    case CmdDiscovery:
    case CmdUploadSelected:
    case CmdFactorySetting:
    case CmdDownloadBridge:
    case CmdUploadBridge:
    case CmdMacAutomatic:
    case CmdMacFromCode:
        m_services.link().stopReplyWait();
        state.silenceReported = false;
        break;
    default:
        return; // no entry: ignored, the reply wait goes on
    }

    switch (frame.cmd) {
    case CmdDownloadSettings:
        if (programmer)
            showSettings(data);
        break;

    case CmdUploadSettings:
        // Follow the device to the address that was just uploaded.
        if (!programmer)
            break;
        for (int i = 0; i < 4; ++i)
            state.deviceAddress[i] = programmer->deviceIp[i];
        m_services.link().selectUnicastTarget();
        for (int i = 0; i < 4; ++i)
            programmer->expectedAddressBoxes[i]->setText(QString::number(state.deviceAddress[i]));
        break;

    case CmdLogin:
        if (!programmer)
            break;
        if (resultIs(data, 255)) {
            setLoginCaption(QStringLiteral("Login done"));
            programmer->logoutButton->setEnabled(true);
            m_services.loginPollTimer().setEnabled(true);
        } else if (resultIs(data, 0)) {
            setLoginCaption(QStringLiteral("Login to be done"));
            programmer->logoutButton->setEnabled(false);
            m_services.loginPollTimer().setEnabled(false);
        }
        break;

    case CmdSetPassword: {
        const QString title = QStringLiteral("Password setting operation");
        if (resultIs(data, 255)) {
            state.loggedIn = true;
            setLoginCaption(QStringLiteral("New password set"));
            // Logged in without a poll would leave the write buttons off while the login
            // dialog offers only the password change: poll, and the status reply settles it.
            m_services.loginPollTimer().setEnabled(true);
            m_services.messages().show(QStringLiteral("New password successfully set!"), title, MessageIcon::Information);
        } else if (resultIs(data, 0)) {
            state.loggedIn = false;
            setLoginCaption(QStringLiteral("New password not set"));
            m_services.messages().show(QStringLiteral("New password setting aborted! Wrong old password typed"), title,
                                  MessageIcon::Information);
        }
        break;
    }

    case CmdLoginStatus:
        showLoginStatus(data);
        break;

    case CmdLogout:
        state.loggedIn = false;
        if (programmer)
            programmer->logoutButton->setEnabled(false);
        setLoginCaption(QStringLiteral("Login to be done"));
        break;

    case CmdDownloadSource:
        m_services.source()->showSourceFilter(data);
        break;

    case CmdDiscovery:
        state.discoveryPending = false;
        // Each device is listed with the card its reply came in on.
        m_services.discovery()->addDeviceRow(
            data, m_services.cardSearch().cardOfReply(arrival.interfaceIndex, arrival.destinationAddress,
                                                      arrival.sourceAddress));
        break;

    case CmdUploadSelected:
    case CmdFactorySetting:
        m_services.messages().show(frame.cmd == CmdUploadSelected ? QStringLiteral("Upload device OK")
                                                             : QStringLiteral("Factory setting device OK"),
                              QStringLiteral("Command result"), MessageIcon::Information);
        m_services.rediscoveryTimer().setInterval(kRediscoveryMs);
        m_services.rediscoveryTimer().setEnabled(true);
        break;

    case CmdDownloadBridge:
        m_services.bridge()->showBridgeSettings(data);
        break;

    case CmdMacAutomatic:
    case CmdMacFromCode: {
        // The device has a new MAC address: flush the host's neighbour cache so that it is
        // learned afresh. The script is found from the program's own folder only (beside it
        // in the build tree, under libexec/qvxfinder once installed); a failure to start it
        // is not reported.
        const QString script = helperScriptPath(QCoreApplication::applicationDirPath(), QStringLiteral("clearArp.sh"));
        m_services.processes().startDetached(script, {});
        break;
    }

    default: // 99, 106, 111: only the reply wait ends
        break;
    }
}

void ReplyDispatcher::setLoginCaption(const QString &caption)
{
    if (ProgrammerWindow *programmer = m_services.programmer())
        programmer->loginStatusLabel->setText(caption);
}

void ReplyDispatcher::showLoginStatus(const QByteArray &data)
{
    ProgramState &state = m_services.state();
    ProgrammerWindow *programmer = m_services.programmer();
    const bool loggedOut = resultIs(data, 0);
    const bool loggedIn = resultIs(data, 255);
    if (!loggedOut && !loggedIn)
        return;
    state.loggedIn = loggedIn;
    if (programmer) {
        programmer->logoutButton->setEnabled(loggedIn);
        programmer->setWriteButtonsEnabled(loggedIn);
    }
    if (loggedIn) {
        QString caption = QStringLiteral("Login done");
        if (covers(data, 2, 2))
            caption += QStringLiteral(". [Login time ") + twoDigits(byteAt(data, 2)) + QLatin1Char(':') +
                       twoDigits(byteAt(data, 3)) + QLatin1Char(']');
        setLoginCaption(caption);
    } else {
        setLoginCaption(QStringLiteral("Login to be done"));
    }
    m_services.loginPollTimer().setEnabled(loggedIn);
}

void ReplyDispatcher::showSettings(const QByteArray &data)
{
    using namespace SettingsOffset;
    ProgrammerWindow &w = *m_services.programmer();
    const SettingsBlock s = decodeSettingsBlock(data);

    // A short reply leaves every field beyond its data as it was.
    for (int i = 0; i < 6; ++i)
        if (covers(data, Mac + i, 1))
            w.macAddressBoxes[i]->setText(macByteText(s.mac[i]));
    const auto showAddress = [&](const std::array<QLineEdit *, 4> &boxes, int offset, const Octets4 &octets) {
        for (int i = 0; i < 4; ++i)
            if (covers(data, offset + i, 1))
                boxes[i]->setText(octetText(octets[i]));
    };
    showAddress(w.ipAddressBoxes, Ip, s.ip);
    showAddress(w.subnetMaskBoxes, Mask, s.mask);
    showAddress(w.gatewayBoxes, Gateway, s.gateway);
    if (covers(data, LocalPort, 2))
        w.localPortBox->setText(QString::number(s.localPort));
    if (covers(data, RemotePort, 2))
        w.remotePortBox->setText(QString::number(s.remotePort));
    if (covers(data, Baud, 1))
        w.fillBaudRateList(s.baudCode);
    if (covers(data, UartTimeout, 2))
        w.uartTimeoutBox->setText(QString::number(s.uartTimeout));
    if (covers(data, Firmware, 1))
        w.firmwareLabel->setText(firmwareText(s.firmware));
    if (covers(data, Format, 1)) {
        const UartFormat f = decodeUartFormat(s.format);
        (f.sevenDataBits ? w.sevenDataBits : w.eightDataBits)->setChecked(true);
        (f.parity == Parity::Even ? w.evenParity : f.parity == Parity::Odd ? w.oddParity : w.noParity)->setChecked(true);
        (f.twoStopBits ? w.twoStopBits : w.oneStopBit)->setChecked(true);
    }
    if (covers(data, TimeoutToDefault, 1))
        (s.timeoutToDefault == 0 ? w.timeoutToDefaultOff : w.timeoutToDefaultOn)->setChecked(true);
    if (data.size() > ShortLength) {
        const ModeFlags m = decodeModeFlags(s.mode);
        w.tcpRoleButtons[m.tcpClient ? 1 : 0]->setChecked(true);
        w.protocolButtons[m.tcp ? 1 : 0]->setChecked(true);
        w.dhcpButtons[m.dhcp ? 1 : 0]->setChecked(true);
        showAddress(w.tcpServerAddressBoxes, TcpServer, s.tcpServer);
    }
    w.setWriteButtonsEnabled(m_services.state().loggedIn);
}

} // namespace qvx

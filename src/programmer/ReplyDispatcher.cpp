#include "programmer/ReplyDispatcher.h"

#include "app/AppContext.h"
#include "dialogs/frm05Source.h"
#include "dialogs/frm06Bridge.h"
#include "discovery/frm03Discovery.h"
#include "platform/ProcessLauncher.h"
#include "programmer/frm01UDPClient.h"
#include "protocol/Commands.h"
#include "protocol/Endpoint.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"
#include "protocol/MessageSink.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
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

ReplyDispatcher::ReplyDispatcher(AppContext &ctx) : m_ctx(ctx) {}

void ReplyDispatcher::onReadyRead()
{
    // Read everything first: handling a reply may close and re-bind the socket, which
    // would discard datagrams still waiting in it.
    UdpEndpoint &endpoint = m_ctx.endpoint();
    QList<QByteArray> received;
    while (endpoint.hasPendingDatagram()) {
        QByteArray datagram = endpoint.readDatagram();
        ++m_datagramsRead;
        if (!datagram.isEmpty())
            received.append(std::move(datagram));
    }
    // A discovery storm brings thousands of rows in one arrival: the discovery window
    // makes the newest one current once, at the end.
    QPointer<frm03Discovery> batched;
    for (const QByteArray &datagram : std::as_const(received)) {
        if (!batched && (batched = m_ctx.discoveryIfLoaded()))
            batched->SetRowBatch(true);
        handleDatagram(datagram);
    }
    if (batched)
        batched->SetRowBatch(false);
}

void ReplyDispatcher::handleDatagram(const QByteArray &datagram)
{
    if (datagram.isEmpty())
        return;
    const std::optional<Frame> frame = RecognizeReply(datagram.left(kMaxStoredReplyBytes));
    if (!frame)
        return;
    ++m_framesRecognised;
    handleFrame(*frame);
}

void ReplyDispatcher::handleFrame(const Frame &frame)
{
    ProgramState &state = m_ctx.state();
    frm01UDPClient *programmer = m_ctx.programmer();
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
        m_ctx.link().StopReplyWait();
        state.SilenceReported = false;
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
            state.DeviceIpOctet[i] = programmer->DeviceIp[i];
        m_ctx.link().SelectUnicastTarget();
        for (int i = 0; i < 4; ++i)
            programmer->txtExpIPAddress[i]->setText(QString::number(state.DeviceIpOctet[i]));
        break;

    case CmdLogin:
        if (!programmer)
            break;
        if (resultIs(data, 255)) {
            setLoginCaption(QStringLiteral("Login done"));
            programmer->cmdLogout->setEnabled(true);
            m_ctx.Timer2().setEnabled(true);
        } else if (resultIs(data, 0)) {
            setLoginCaption(QStringLiteral("Login to be done"));
            programmer->cmdLogout->setEnabled(false);
            m_ctx.Timer2().setEnabled(false);
        }
        break;

    case CmdSetPassword: {
        const QString title = QStringLiteral("Password setting operation");
        if (resultIs(data, 255)) {
            state.LoggedIn = true;
            setLoginCaption(QStringLiteral("New password set"));
            // Logged in without a poll would leave the write buttons off while the login
            // dialog offers only the password change: poll, and the status reply settles it.
            m_ctx.Timer2().setEnabled(true);
            m_ctx.messages().show(QStringLiteral("New password successfully set!"), title, MessageIcon::Information);
        } else if (resultIs(data, 0)) {
            state.LoggedIn = false;
            setLoginCaption(QStringLiteral("New password not set"));
            m_ctx.messages().show(QStringLiteral("New password setting aborted! Wrong old password typed"), title,
                                  MessageIcon::Information);
        }
        break;
    }

    case CmdLoginStatus:
        showLoginStatus(data);
        break;

    case CmdLogout:
        state.LoggedIn = false;
        if (programmer)
            programmer->cmdLogout->setEnabled(false);
        setLoginCaption(QStringLiteral("Login to be done"));
        break;

    case CmdDownloadSource:
        m_ctx.source()->ShowSourceFilter(data);
        break;

    case CmdDiscovery:
        state.DiscoveryPending = false;
        m_ctx.discovery()->AddDeviceRow(data);
        break;

    case CmdUploadSelected:
    case CmdFactorySetting:
        m_ctx.messages().show(frame.cmd == CmdUploadSelected ? QStringLiteral("Upload device OK")
                                                             : QStringLiteral("Factory setting device OK"),
                              QStringLiteral("Command result"), MessageIcon::Information);
        m_ctx.Timer3().setInterval(kRediscoveryMs);
        m_ctx.Timer3().setEnabled(true);
        break;

    case CmdDownloadBridge:
        m_ctx.bridge()->ShowBridgeSettings(data);
        break;

    case CmdMacAutomatic:
    case CmdMacFromCode: {
        // The device has a new MAC address: flush the host's neighbour cache so that it is
        // learned afresh. The script is taken from the program's own folder only; a failure
        // to start it is not reported.
        const QString script = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("clearArp.sh"));
        m_ctx.processes().startDetached(script, {});
        break;
    }

    default: // 99, 106, 111: only the reply wait ends
        break;
    }
}

void ReplyDispatcher::setLoginCaption(const QString &caption)
{
    if (frm01UDPClient *programmer = m_ctx.programmer())
        programmer->lblLoginStatus->setText(caption);
}

void ReplyDispatcher::showLoginStatus(const QByteArray &data)
{
    ProgramState &state = m_ctx.state();
    frm01UDPClient *programmer = m_ctx.programmer();
    const bool loggedOut = resultIs(data, 0);
    const bool loggedIn = resultIs(data, 255);
    if (!loggedOut && !loggedIn)
        return;
    state.LoggedIn = loggedIn;
    if (programmer) {
        programmer->cmdLogout->setEnabled(loggedIn);
        programmer->SetWriteButtonsEnabled(loggedIn);
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
    m_ctx.Timer2().setEnabled(loggedIn);
}

void ReplyDispatcher::showSettings(const QByteArray &data)
{
    using namespace SettingsOffset;
    frm01UDPClient &w = *m_ctx.programmer();
    const SettingsBlock s = DecodeSettingsBlock(data);

    // A short reply leaves every field beyond its data as it was.
    for (int i = 0; i < 6; ++i)
        if (covers(data, Mac + i, 1))
            w.txtMacAddress[i]->setText(MacByteText(s.mac[i]));
    const auto showAddress = [&](const std::array<QLineEdit *, 4> &boxes, int offset, const Octets4 &octets) {
        for (int i = 0; i < 4; ++i)
            if (covers(data, offset + i, 1))
                boxes[i]->setText(OctetText(octets[i]));
    };
    showAddress(w.txtIPAddress, Ip, s.ip);
    showAddress(w.txtSubnetMask, Mask, s.mask);
    showAddress(w.txtGateway, Gateway, s.gateway);
    if (covers(data, LocalPort, 2))
        w.txtUDPLocalPort->setText(QString::number(s.localPort));
    if (covers(data, RemotePort, 2))
        w.txtUDPRemotePort->setText(QString::number(s.remotePort));
    if (covers(data, Baud, 1))
        w.Fill_UART_BaudRate_Combo(s.baudCode);
    if (covers(data, UartTimeout, 2))
        w.txtUARTTimeout->setText(QString::number(s.uartTimeout));
    if (covers(data, Firmware, 1))
        w.lblFirmware->setText(FirmwareText(s.firmware));
    if (covers(data, Format, 1)) {
        const UartFormat f = DecodeUartFormat(s.format);
        (f.sevenDataBits ? w.Option1 : w.Option2)->setChecked(true);
        (f.parity == Parity::Even ? w.Option4 : f.parity == Parity::Odd ? w.Option5 : w.Option3)->setChecked(true);
        (f.twoStopBits ? w.Option7 : w.Option6)->setChecked(true);
    }
    if (covers(data, TimeoutToDefault, 1))
        (s.timeoutToDefault == 0 ? w.Option9 : w.Option8)->setChecked(true);
    if (data.size() > ShortLength) {
        const ModeFlags m = DecodeModeFlags(s.mode);
        w.optCliSer[m.tcpClient ? 1 : 0]->setChecked(true);
        w.optProto[m.tcp ? 1 : 0]->setChecked(true);
        w.optDhcp[m.dhcp ? 1 : 0]->setChecked(true);
        showAddress(w.txtTcpServer, TcpServer, s.tcpServer);
    }
    w.SetWriteButtonsEnabled(m_ctx.state().LoggedIn);
}

} // namespace qvx

#pragma once
#include "netadapters/DeviceReply.h"
#include "protocol/Layouts.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <functional>
#include <optional>

namespace qvx {

class ProgramServices;
struct Frame;
struct ReceivedDatagram;

// Handles every datagram that arrives on the endpoint: checks the frame, ends the reply
// wait, keeps the login state, decodes the reply once and says what arrived through one
// signal per kind of reply. Replies are matched to requests by command code alone. The
// windows are connected to these signals by the composition object; the dispatcher knows
// none of them.
class ReplyDispatcher : public QObject {
    Q_OBJECT
public:
    explicit ReplyDispatcher(ProgramServices &services);

    // The endpoint's data-arrival handler: takes every pending datagram, then handles them
    // in order of arrival. The discovery answers of one arrival go out as one devicesFound.
    void onReadyRead();
    // Handles one received datagram; ignored unless it is a well-formed reply frame.
    void handleDatagram(const ReceivedDatagram &datagram);
    void handleDatagram(const QByteArray &datagram);

    // Whether a settings reply from `source` belongs to a search by address: such a reply
    // goes out as searchReplyReceived, ends no reply wait and fills no window.
    using SearchClaim = std::function<bool(quint32 source)>;
    void setSearchClaim(SearchClaim claim) { m_searchClaim = std::move(claim); }

    // Datagrams read and frames recognised since start, for diagnostics and benchmarks.
    quint64 datagramsRead() const { return m_datagramsRead; }
    quint64 framesRecognised() const { return m_framesRecognised; }

Q_SIGNALS:
    // 97: the device's settings. `length` is the number of data bytes the reply carried:
    // fields beyond it were not sent and read 0 in `settings`.
    void settingsReceived(const qvx::SettingsBlock &settings, int length, const qvx::ReplyOrigin &origin);
    // 97 from an address a search by address asked.
    void searchReplyReceived(const qvx::SettingsBlock &settings, int length, const qvx::ReplyOrigin &origin);
    // 98: the device took the uploaded settings.
    void settingsUploadConfirmed();
    // 100: the login was accepted or refused.
    void loginReplied(bool accepted);
    // 101: the password change was accepted (the device is logged in) or refused.
    void passwordChangeReplied(bool accepted);
    // 102: the login status; minutes and seconds of the login time when the reply has them.
    void loginStatusReceived(bool loggedIn, std::optional<std::pair<quint8, quint8>> loginTime);
    // 103: the device logged out.
    void loggedOut();
    // 105: the source filter, with the data length as for settingsReceived.
    void sourceFilterReceived(const qvx::SourceFilterBlock &filter, int length);
    // 107: the devices that answered a discovery, in one arrival.
    void devicesFound(const QList<qvx::DeviceReply> &devices);
    // 108 or 109: the device written by MAC address confirmed the upload or factory setting.
    void deviceWriteConfirmed(quint8 command);
    // 110: the bridge settings, with the data length as for settingsReceived.
    void bridgeReceived(const qvx::BridgeBlock &bridge, int length);
    // 112 or 113: the device has a new MAC address.
    void macAddressChanged();
    // 99, 106, 111: a write the device confirmed, with nothing to show.
    void writeConfirmed(quint8 command);

private:
    void handleFrame(const Frame &frame, const ReceivedDatagram &arrival);
    void emitPendingDevices();

    ProgramServices &m_services;
    SearchClaim m_searchClaim;
    QList<DeviceReply> m_pendingDevices;
    quint64 m_datagramsRead = 0;
    quint64 m_framesRecognised = 0;
};

} // namespace qvx

#pragma once
#include <QByteArray>
#include <QObject>

namespace qvx {

class ProgramServices;
struct Frame;
struct ReceivedDatagram;

// Handles every datagram that arrives on the endpoint: checks the frame, ends the reply
// wait and updates whichever window the reply concerns. Replies are matched to requests by
// command code alone.
class ReplyDispatcher : public QObject {
    Q_OBJECT
public:
    explicit ReplyDispatcher(ProgramServices &services);

    // The endpoint's data-arrival handler: takes every pending datagram, then handles them
    // in order of arrival.
    void onReadyRead();
    // Handles one received datagram; ignored unless it is a well-formed reply frame.
    void handleDatagram(const ReceivedDatagram &datagram);
    void handleDatagram(const QByteArray &datagram);

    // Datagrams read and frames recognised since start, for diagnostics and benchmarks.
    quint64 datagramsRead() const { return m_datagramsRead; }
    quint64 framesRecognised() const { return m_framesRecognised; }

private:
    void handleFrame(const Frame &frame, const ReceivedDatagram &arrival);
    void showSettings(const QByteArray &data);
    void showLoginStatus(const QByteArray &data);
    void setLoginCaption(const QString &caption);

    ProgramServices &m_services;
    quint64 m_datagramsRead = 0;
    quint64 m_framesRecognised = 0;
};

} // namespace qvx

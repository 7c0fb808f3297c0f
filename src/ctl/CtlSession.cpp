#include "ctl/CtlSession.h"

#include "protocol/Commands.h"
#include "protocol/Endpoint.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

#include <cstdio>

namespace qvx {

void StderrMessageSink::show(const QString &text, const QString &title, MessageIcon)
{
    ++m_count;
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (!m_subject.isEmpty())
        line = m_subject + QStringLiteral(": ") + line;
    std::fprintf(stderr, "qvxctl: %s (%s)\n", qPrintable(line), qPrintable(title.trimmed()));
}

CtlSession::CtlSession(UdpEndpoint &endpoint, CardSource &cards, int timeoutMs, int discoveryMs, const QString &card)
    : m_endpoint(endpoint), m_timeoutMs(timeoutMs), m_discoveryMs(discoveryMs), m_card(card), m_cards(&cards),
      m_link(endpoint, m_state, m_replyTimer, m_messages), m_writeSequence(m_link, m_deferredWriteTimer)
{
}

void CtlSession::aim(const QString &address)
{
    const quint32 ip = QHostAddress(address).toIPv4Address();
    m_state.deviceAddress = {qint16((ip >> 24) & 0xFF), qint16((ip >> 16) & 0xFF), qint16((ip >> 8) & 0xFF),
                             qint16(ip & 0xFF)};
}

std::optional<Frame> CtlSession::request(const QString &address, quint8 cmd, const QByteArray &data)
{
    aim(address);
    m_messages.setSubject(address);
    m_early.clear();
    if (!m_link.sendToDevice(cmd, data, m_timeoutMs))
        return std::nullopt;
    return await(cmd);
}

std::optional<Frame> CtlSession::requestGroup(quint8 cmd, const QByteArray &data, const std::optional<LocalCard> &card)
{
    m_messages.setSubject(QStringLiteral("group %1").arg(QLatin1String(kMulticastGroup)));
    m_early.clear();
    if (!card) {
        if (!m_link.sendFrame(cmd, data, Destination::group(), m_timeoutMs))
            return std::nullopt;
        return await(cmd);
    }
    const SendResult sent = m_link.sendFrameThroughCard(cmd, data, Destination::group(), NetworkCard{card->index, card->address}, m_timeoutMs);
    if (!sent.ok) {
        // A local port that could not be opened has been reported already.
        if (m_endpoint.isBound())
            m_messages.show(sent.errorText + QStringLiteral(" (network card %1)").arg(card->label()),
                            QStringLiteral("Errore ") + QString::number(sent.errorNumber), MessageIcon::Exclamation);
        return std::nullopt;
    }
    return await(cmd);
}

std::optional<Frame> CtlSession::command(const QString &address, quint8 cmd)
{
    return request(address, cmd, simpleCommandData());
}

std::optional<Frame> CtlSession::writeSequence(const QString &address, quint8 cmd, const QByteArray &data,
                                               int delayMs, bool *loggedOut)
{
    aim(address);
    m_messages.setSubject(address);
    m_early.clear();
    // The windows' sequence: logout now, the write when the deferred-write timer fires. A
    // write that falls due before the logout is answered waits for that answer.
    bool sent = false;
    bool finished = false;
    QEventLoop waitForWrite;
    const QMetaObject::Connection done =
        QObject::connect(&m_writeSequence, &WriteSequence::finished, [&](quint8, bool ok) {
            sent = ok;
            finished = true;
            waitForWrite.quit();
        });
    m_writeSequence.start(cmd, [data] { return std::optional<QByteArray>(data); }, delayMs);
    *loggedOut = await(CmdLogout).has_value();
    if (!*loggedOut) {
        m_writeSequence.cancel();
        QObject::disconnect(done);
        return std::nullopt;
    }
    if (!finished && delayMs <= 0)
        m_writeSequence.sendNow();
    if (!finished) {
        const QMetaObject::Connection arrivals =
            QObject::connect(&m_endpoint, &UdpEndpoint::readyRead, &waitForWrite, [this] { keepEarlyReplies(); });
        waitForWrite.exec();
        QObject::disconnect(arrivals);
    }
    QObject::disconnect(done);
    if (!sent)
        return std::nullopt;
    return await(cmd);
}

void CtlSession::keepEarlyReplies()
{
    while (m_endpoint.hasPendingDatagram())
        for (const ReceivedDatagram &datagram : m_endpoint.readPendingDatagrams())
            if (const std::optional<Frame> frame = recognizeReply(datagram.data))
                m_early.append(*frame);
}

SendResult CtlSession::sendScanRequest(quint32 address)
{
    return m_link.sendQuietly(CmdDownloadSettings, simpleCommandData(), Destination::device(address));
}

void CtlSession::runScan(AddressScan &scan, const QList<quint32> &addresses, int ratePerSecond, int retries)
{
    m_cards.refresh();
    if (!m_link.ensureBound())
        return;
    QEventLoop loop;
    const auto drain = [&] {
        while (m_endpoint.hasPendingDatagram()) {
            for (const ReceivedDatagram &datagram : m_endpoint.readPendingDatagrams()) {
                const std::optional<Frame> frame = recognizeReply(datagram.data);
                if (!frame || frame->cmd != CmdDownloadSettings || !scan.claims(datagram.sourceAddress))
                    continue;
                scan.takeReply(datagram.sourceAddress, decodeSettingsBlock(frame->data), int(frame->data.size()),
                               m_cards.cardOfReply(datagram.interfaceIndex, datagram.destinationAddress,
                                                   datagram.sourceAddress));
            }
        }
    };
    const QMetaObject::Connection arrivals = QObject::connect(&m_endpoint, &UdpEndpoint::readyRead, &loop, drain);
    const QMetaObject::Connection done = QObject::connect(&scan, &AddressScan::finished, &loop, &QEventLoop::quit);
    scan.start(addresses, ratePerSecond, retries);
    if (scan.isRunning())
        loop.exec();
    QObject::disconnect(arrivals);
    QObject::disconnect(done);
}

std::optional<Frame> CtlSession::await(quint8 cmd)
{
    std::optional<Frame> reply;
    QEventLoop loop;
    // A reply that came in while an earlier one was awaited is not lost; any other reply
    // waits in case a later request of the same sequence expects it.
    for (qsizetype i = 0; i < m_early.size(); ++i) {
        if (m_early[i].cmd == cmd) {
            reply = m_early.takeAt(i);
            break;
        }
    }
    const auto drain = [&] {
        while (!reply && m_endpoint.hasPendingDatagram()) {
            for (const ReceivedDatagram &datagram : m_endpoint.readPendingDatagrams()) {
                const std::optional<Frame> frame = recognizeReply(datagram.data);
                if (!frame)
                    continue;
                if (!reply && frame->cmd == cmd) {
                    reply = frame;
                    loop.quit();
                } else {
                    m_early.append(*frame);
                }
            }
        }
    };
    const QMetaObject::Connection arrivals = QObject::connect(&m_endpoint, &UdpEndpoint::readyRead, &loop, drain);
    const QMetaObject::Connection expiry = QObject::connect(&m_replyTimer, &IntervalTimer::timeout, &loop, &QEventLoop::quit);
    drain();
    if (!reply)
        loop.exec();
    QObject::disconnect(arrivals);
    QObject::disconnect(expiry);
    m_link.stopReplyWait();
    return reply;
}

std::optional<QList<FoundDevice>> CtlSession::discover()
{
    QList<FoundDevice> found;
    bool sent = false;
    m_messages.setSubject(QStringLiteral("discovery"));
    const SearchOutcome outcome = m_cards.run(m_card, [&](const LocalCard &card) {
        const SendResult result = m_link.sendFrameThroughCard(CmdDiscovery, simpleCommandData(), Destination::group(),
                                                              NetworkCard{card.index, card.address}, m_discoveryMs);
        sent = sent || result.ok;
        return result;
    });
    for (const QString &line : outcome.notSearched)
        std::fprintf(stderr, "qvxctl: %s\n", qPrintable(line));
    // No card other than loopback: the one request goes by routing.
    if (outcome.byRouting)
        sent = m_link.sendFrame(CmdDiscovery, simpleCommandData(), Destination::group(), m_discoveryMs);
    if (!sent)
        return std::nullopt;

    QEventLoop loop;
    const auto drain = [&] {
        while (m_endpoint.hasPendingDatagram()) {
            for (const ReceivedDatagram &datagram : m_endpoint.readPendingDatagrams()) {
                const std::optional<Frame> frame = recognizeReply(datagram.data);
                if (!frame || frame->cmd != CmdDiscovery)
                    continue;
                const std::optional<LocalCard> card = m_cards.cardOfReply(
                    datagram.interfaceIndex, datagram.destinationAddress, datagram.sourceAddress);
                const QString cardText = card ? card->label() : QString();
                const bool repeated = std::any_of(found.begin(), found.end(), [&](const FoundDevice &d) {
                    return d.record == frame->data && d.card == cardText;
                });
                if (!repeated)
                    found << FoundDevice{frame->data, cardText, card};
            }
        }
    };
    const QMetaObject::Connection arrivals = QObject::connect(&m_endpoint, &UdpEndpoint::readyRead, &loop, drain);
    const QMetaObject::Connection expiry = QObject::connect(&m_replyTimer, &IntervalTimer::timeout, &loop, &QEventLoop::quit);
    loop.exec();
    drain();
    QObject::disconnect(arrivals);
    QObject::disconnect(expiry);
    m_link.stopReplyWait();
    return found;
}

void CtlSession::pause(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    const QMetaObject::Connection arrivals = QObject::connect(&m_endpoint, &UdpEndpoint::readyRead, &loop, [this] {
        while (m_endpoint.hasPendingDatagram())
            m_endpoint.readPendingDatagrams();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(arrivals);
}

} // namespace qvx

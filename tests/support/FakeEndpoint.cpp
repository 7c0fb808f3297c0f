#include "FakeEndpoint.h"

#include "protocol/Frame.h"

namespace qvx::test {

void FakeEndpoint::close()
{
    ++closeCount;
    m_bound = false;
    if (dropPendingOnClose)
        m_incoming.clear();
}

bool FakeEndpoint::bind(quint16 localPort, int *errorNumber, QString *errorText)
{
    ++bindCount;
    if (failBind) {
        if (errorNumber)
            *errorNumber = 8;
        if (errorText)
            *errorText = QStringLiteral("The bound address is already in use");
        return false;
    }
    m_bound = true;
    boundPort = localPort;
    return true;
}

SendResult FakeEndpoint::send(const QByteArray &datagram)
{
    if (failSend)
        return {false, failErrorNumber, failErrorText};
    sent.append({datagram, m_host, m_port});
    if (onSend)
        onSend(sent.last());
    return {};
}

QByteArray FakeEndpoint::readDatagram()
{
    return m_incoming.isEmpty() ? QByteArray() : m_incoming.dequeue();
}

void FakeEndpoint::injectDatagram(const QByteArray &datagram)
{
    injectDatagrams({datagram});
}

void FakeEndpoint::injectDatagrams(const QList<QByteArray> &datagrams)
{
    for (const QByteArray &d : datagrams)
        m_incoming.enqueue(d);
    Q_EMIT readyRead();
}

void FakeEndpoint::injectReply(quint8 cmd, const QByteArray &data)
{
    injectDatagram(BuildReplyFrame(cmd, data));
}

QList<QByteArray> FakeEndpoint::frames() const
{
    QList<QByteArray> out;
    for (const Sent &s : sent)
        out.append(s.datagram);
    return out;
}

QList<int> FakeEndpoint::commands() const
{
    QList<int> out;
    for (const Sent &s : sent)
        out.append(s.datagram.size() > 2 ? static_cast<quint8>(s.datagram[2]) : -1);
    return out;
}

} // namespace qvx::test

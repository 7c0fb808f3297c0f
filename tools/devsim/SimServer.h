#pragma once
#include "Faults.h"
#include "Simulator.h"

#include <QString>
#include <cstdio>
#include <map>

namespace qvx::devsim {

// Writes one line per event with a wall-clock time stamp, flushed at once.
class Logger {
public:
    Logger() = default;
    ~Logger();
    Logger(const Logger &) = delete;
    Logger &operator=(const Logger &) = delete;

    // "-" is standard output; an empty path logs nothing.
    bool open(const QString &path, QString *error);
    bool enabled() const { return m_file != nullptr; }
    void line(const QString &text);

private:
    FILE *m_file = nullptr;
    bool m_own = false;
};

struct ServerSettings {
    Ipv4 bindAddress = 0;
    quint16 port = 4096;     // 0: any free port (tests)
    bool multicast = true;
    QString interfaceName;   // empty: join on every multicast-capable interface
};

// The simulator's UDP front end: one socket on the device port that reads the destination
// address of every request (IP_PKTINFO) and sends each reply from its device's own address.
// Replies with a delay wait in a queue; a single thread runs everything.
class SimServer {
public:
    SimServer(Simulator &simulator, FaultInjector &faults, Logger &log);
    ~SimServer();
    SimServer(const SimServer &) = delete;
    SimServer &operator=(const SimServer &) = delete;

    bool open(const ServerSettings &settings, QString *error);
    quint16 port() const { return m_port; }
    // Interfaces on which the group was joined.
    const QStringList &joinedInterfaces() const { return m_joined; }

    // Serves until requestStop(); returns 0, or 1 after a socket error.
    int run();
    // Safe from a signal handler and from another thread.
    void requestStop();

    // Routes SIGTERM and SIGINT to requestStop() of this server.
    static void installSignalHandlers(SimServer *server);

    quint64 requestsReceived() const { return m_received; }
    quint64 datagramsSent() const { return m_sent; }

private:
    struct Pending {
        Ipv4 from;
        Ipv4 to;
        quint16 toPort;
        QByteArray bytes;
        QString note;
    };

    bool joinGroup(const ServerSettings &settings, QString *error);
    void receiveAll();
    void handle(const Datagram &in);
    void sendDue();
    void send(const Pending &p);

    Simulator &m_sim;
    FaultInjector &m_faults;
    Logger &m_log;
    int m_fd = -1;
    int m_wake[2] = {-1, -1};
    quint16 m_port = 0;
    QStringList m_joined;
    std::multimap<qint64, Pending> m_queue;
    quint64 m_received = 0;
    quint64 m_sent = 0;
};

// Monotonic milliseconds.
qint64 nowMs();

} // namespace qvx::devsim

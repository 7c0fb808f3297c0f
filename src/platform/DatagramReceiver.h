#pragma once
#include "protocol/Endpoint.h"

#include <QList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qvx {

// Reads the sockets of one port on a thread of its own, so that a storm of replies is taken
// out of the system's receive buffers as fast as it comes, whatever the window thread is
// doing. The thread reads in batches (DatagramBatchReader), queues the datagrams in order of
// arrival and signals `wakeDescriptor()` (an eventfd) once each time the queue stops being
// empty; the window thread watches that descriptor and takes the whole queue. The thread
// touches nothing else.
//
// One socket's datagrams are queued as they are read. The members of a group
// (DatagramSocketGroup) each hold part of the traffic, so their datagrams are put in order
// of the arrival times the system stamped on them, and each is held back until no datagram
// that arrived before it can still be waiting unread. The system queues the datagrams of one
// network queue to the members in the order it stamped them, but it may stamp a burst and
// queue it milliseconds later on a busy machine. So a datagram waits until the thread has
// looked at every member again after reading it: whatever arrived before it was queued by
// then. No clock is involved, and a storm's last datagrams go as soon as a look finds
// nothing new.
//
// std::thread and std::mutex rather than QThread and QMutex: the thread sanitizer sees their
// ordering (Qt's own locks live in a library it does not instrument).
class DatagramReceiver {
public:
    // Datagrams queued at most; past that the thread waits, and the system's buffer (and its
    // drop counter) takes the rest.
    static constexpr qsizetype kMaxQueued = 200000;

    // Starts reading `socketDescriptors` (one socket, or the members of a group with the
    // first member first), which must stay open until the receiver is gone. isRunning()
    // tells whether the thread could be started.
    explicit DatagramReceiver(const QList<int> &socketDescriptors);
    // Stops the thread and waits for it; what is still queued is discarded.
    ~DatagramReceiver();
    DatagramReceiver(const DatagramReceiver &) = delete;
    DatagramReceiver &operator=(const DatagramReceiver &) = delete;

    bool isRunning() const { return m_thread.joinable(); }
    // Readable while datagrams wait in the queue; clearWake() empties it.
    int wakeDescriptor() const { return m_wakeFd; }
    void clearWake();

    // Takes every queued datagram, in order of arrival.
    QList<ReceivedDatagram> take();
    bool hasQueued() const;
    // The drop counters the system reported with the datagrams (the sum of each socket's
    // highest), and datagrams cut to the reader's length, since the receiver started.
    quint64 reportedDrops() const { return m_reportedDrops.load(std::memory_order_relaxed); }
    quint64 truncatedDatagrams() const { return m_truncated.load(std::memory_order_relaxed); }

private:
    void run();
    // Queues `datagrams` and wakes the window thread if the queue was empty; false when the
    // receiver is stopping.
    bool handOver(QList<ReceivedDatagram> &&datagrams);

    const QList<int> m_socketFds;
    int m_wakeFd = -1;
    int m_stopFd = -1;

    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    QList<ReceivedDatagram> m_queue;
    bool m_wakeSignalled = false;
    bool m_stopping = false;

    std::atomic<quint64> m_reportedDrops{0};
    std::atomic<quint64> m_truncated{0};
    std::thread m_thread;
};

} // namespace qvx

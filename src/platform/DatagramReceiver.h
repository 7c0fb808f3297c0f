#pragma once
#include "protocol/Endpoint.h"

#include <QList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qvx {

// Reads one socket on a thread of its own, so that a storm of replies is taken out of the
// system's receive buffer as fast as it comes, whatever the window thread is doing. The
// thread reads in batches (DatagramBatchReader), queues the datagrams in order of arrival
// and signals `wakeDescriptor()` (an eventfd) once each time the queue stops being empty;
// the window thread watches that descriptor and takes the whole queue. The thread touches
// nothing else.
//
// std::thread and std::mutex rather than QThread and QMutex: the thread sanitizer sees their
// ordering (Qt's own locks live in a library it does not instrument).
class DatagramReceiver {
public:
    // Datagrams queued at most; past that the thread waits, and the system's buffer (and its
    // drop counter) takes the rest.
    static constexpr qsizetype kMaxQueued = 200000;

    // Starts reading `socketDescriptor`, which must stay open until the receiver is gone.
    // isRunning() tells whether the thread could be started.
    explicit DatagramReceiver(int socketDescriptor);
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
    // Highest drop counter the system reported with a datagram, and datagrams cut to the
    // reader's length, since the receiver started.
    quint32 reportedDrops() const { return m_reportedDrops.load(std::memory_order_relaxed); }
    quint64 truncatedDatagrams() const { return m_truncated.load(std::memory_order_relaxed); }

private:
    void run();

    const int m_socketFd;
    int m_wakeFd = -1;
    int m_stopFd = -1;

    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    QList<ReceivedDatagram> m_queue;
    bool m_wakeSignalled = false;
    bool m_stopping = false;

    std::atomic<quint32> m_reportedDrops{0};
    std::atomic<quint64> m_truncated{0};
    std::thread m_thread;
};

} // namespace qvx

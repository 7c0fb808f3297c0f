#include "platform/DatagramReceiver.h"

#include "platform/DatagramSocket.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace qvx {

namespace {

void addOne(int eventFd)
{
    const quint64 one = 1;
    while (::write(eventFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

} // namespace

DatagramReceiver::DatagramReceiver(int socketDescriptor) : m_socketFd(socketDescriptor)
{
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0 || m_stopFd < 0 || m_socketFd < 0)
        return;
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error &) {
        // No thread: isRunning() says so and the caller reads on its own thread.
    }
}

DatagramReceiver::~DatagramReceiver()
{
    if (m_thread.joinable()) {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_room.notify_all();
        addOne(m_stopFd);
        m_thread.join();
    }
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

void DatagramReceiver::clearWake()
{
    quint64 count;
    while (::read(m_wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

QList<ReceivedDatagram> DatagramReceiver::take()
{
    QList<ReceivedDatagram> taken;
    {
        const std::lock_guard lock(m_mutex);
        taken.swap(m_queue);
        m_wakeSignalled = false;
    }
    m_room.notify_one();
    return taken;
}

bool DatagramReceiver::hasQueued() const
{
    const std::lock_guard lock(m_mutex);
    return !m_queue.isEmpty();
}

void DatagramReceiver::run()
{
    DatagramBatchReader reader;
    QList<ReceivedDatagram> batch;
    batch.reserve(DatagramBatchReader::kBatch);
    pollfd watched[2] = {{m_socketFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (watched[1].revents != 0 || (watched[0].revents & POLLNVAL))
            return;
        // Everything waiting, one batch at a time, each handed over as soon as it is read.
        for (;;) {
            batch.clear();
            const int read = reader.readBatch(m_socketFd, batch);
            if (read < 0) {
                // An error the socket reports once (e.g. out of memory): give it a moment.
                ::usleep(1000);
                break;
            }
            if (read == 0)
                break;
            m_reportedDrops.store(reader.reportedDrops(), std::memory_order_relaxed);
            m_truncated.store(reader.truncatedDatagrams(), std::memory_order_relaxed);

            bool wake = false;
            {
                std::unique_lock lock(m_mutex);
                m_room.wait(lock, [this] { return m_stopping || m_queue.size() < kMaxQueued; });
                if (m_stopping)
                    return;
                m_queue.append(std::move(batch));
                wake = !m_wakeSignalled;
                m_wakeSignalled = true;
            }
            if (wake)
                addOne(m_wakeFd);
            if (read < DatagramBatchReader::kBatch)
                break;
        }
    }
}

} // namespace qvx

#include "platform/DatagramReceiver.h"

#include "platform/DatagramSocket.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <numeric>
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

// Puts `held` in order of arrival and takes out, in that order, those that arrived at or
// before `cutoff`; the rest stay held, in order.
QList<ReceivedDatagram> takeArrivedBefore(QList<ReceivedDatagram> &held, std::vector<qint64> &arrivals, qint64 cutoff)
{
    std::vector<qsizetype> order(size_t(held.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return arrivals[size_t(a)] < arrivals[size_t(b)]; });
    QList<ReceivedDatagram> taken, kept;
    std::vector<qint64> keptArrivals;
    for (const qsizetype i : order) {
        if (arrivals[size_t(i)] <= cutoff) {
            taken.append(std::move(held[i]));
        } else {
            kept.append(std::move(held[i]));
            keptArrivals.push_back(arrivals[size_t(i)]);
        }
    }
    held = std::move(kept);
    arrivals = std::move(keptArrivals);
    return taken;
}

} // namespace

DatagramReceiver::DatagramReceiver(const QList<int> &socketDescriptors) : m_socketFds(socketDescriptors)
{
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0 || m_stopFd < 0 || m_socketFds.isEmpty() || m_socketFds.contains(-1))
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

bool DatagramReceiver::handOver(QList<ReceivedDatagram> &&datagrams)
{
    if (datagrams.isEmpty())
        return true;
    bool wake = false;
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_stopping || m_queue.size() < kMaxQueued; });
        if (m_stopping)
            return false;
        if (m_queue.isEmpty())
            m_queue.swap(datagrams);
        else
            m_queue.append(std::move(datagrams));
        wake = !m_wakeSignalled;
        m_wakeSignalled = true;
    }
    if (wake)
        addOne(m_wakeFd);
    return true;
}

void DatagramReceiver::run()
{
    const qsizetype members = m_socketFds.size();
    // The members of a group are put back in order of arrival; one socket is in order already.
    const bool ordersByArrival = members > 1;
    DatagramBatchReader reader;
    std::vector<pollfd> watched;
    for (const int fd : m_socketFds)
        watched.push_back({fd, POLLIN, 0});
    watched.push_back({m_stopFd, POLLIN, 0});
    std::vector<quint32> dropCounters(size_t(members), 0);

    QList<ReceivedDatagram> batch;
    batch.reserve(DatagramBatchReader::kBatch);
    // A group's datagrams read but held back for their order, with their arrival times.
    QList<ReceivedDatagram> held;
    std::vector<qint64> heldArrivals;

    for (;;) {
        // Without held datagrams, wait for the next; with, look again at once.
        const int ready = ::poll(watched.data(), nfds_t(watched.size()), held.isEmpty() ? -1 : 0);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (watched.back().revents != 0)
            return;
        // Everything held now was read before this look at every member; whatever arrived
        // before the newest of them is read by the end of it.
        // (The held ones are in order: the newest is the last.)
        const qint64 newestHeld = heldArrivals.empty() ? std::numeric_limits<qint64>::min() : heldArrivals.back();
        const qint64 passStart = arrivalClockNow();
        for (qsizetype m = 0; m < members; ++m) {
            const short events = watched[size_t(m)].revents;
            if (events & POLLNVAL)
                return;
            if (!(events & (POLLIN | POLLERR)))
                continue;
            // Everything waiting on this socket, one batch at a time.
            for (;;) {
                DatagramBatchReader::BatchDetails details;
                details.skipSharedCopies = m > 0;
                details.arrivalTimes = ordersByArrival ? &heldArrivals : nullptr;
                const size_t stampedBefore = heldArrivals.size();
                const int read = reader.readBatch(m_socketFds[m], ordersByArrival ? held : batch, &details);
                // A datagram the system did not stamp counts as arriving now.
                for (size_t i = stampedBefore; i < heldArrivals.size(); ++i)
                    if (heldArrivals[i] == 0)
                        heldArrivals[i] = passStart;
                if (read < 0) {
                    // An error the socket reports once (e.g. out of memory): give it a moment.
                    ::usleep(1000);
                    break;
                }
                if (details.dropCounter > dropCounters[size_t(m)]) {
                    dropCounters[size_t(m)] = details.dropCounter;
                    m_reportedDrops.store(std::accumulate(dropCounters.begin(), dropCounters.end(), quint64(0)),
                                          std::memory_order_relaxed);
                }
                m_truncated.store(reader.truncatedDatagrams(), std::memory_order_relaxed);
                // One socket: each batch is handed over as soon as it is read.
                if (!ordersByArrival && !handOver(std::exchange(batch, {})))
                    return;
                if (read < DatagramBatchReader::kBatch)
                    break;
            }
        }
        if (!ordersByArrival)
            continue;
        if (!handOver(takeArrivedBefore(held, heldArrivals, newestHeld)))
            return;
    }
}

} // namespace qvx

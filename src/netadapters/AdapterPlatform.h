#pragma once
#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace qvx {

// Result codes of AdapterPlatform::GetAdaptersInfo, the values the Windows call uses.
namespace AdapterResult {
inline constexpr quint32 Success = 0;
inline constexpr quint32 GeneralFailure = 31;   // the system listing itself failed; see lastError()
inline constexpr quint32 NotSupported = 50;
inline constexpr quint32 InvalidParameter = 87;
inline constexpr quint32 BufferOverflow = 111;  // *size now holds the size needed
inline constexpr quint32 NoData = 232;          // the host has no adapter
} // namespace AdapterResult

// One adapter as the platform lays it out in the caller's buffer. Records form a chain:
// the first one starts at offset 0 of the buffer and each names the byte offset (from the
// start of the buffer) of the next one. Texts are 8-bit, in the system code page and
// NUL-terminated within their field.
//
// Readers copy a record out with std::memcpy and never follow `next` unless the whole next
// record lies inside the buffer and further on than the current one; anything else ends the
// chain, so a damaged buffer can neither be overrun nor walked in circles.
struct AdapterInfoRecord {
    quint32 next;                 // offset of the next record; 0 ends the chain
    char name[260];
    char description[132];
    quint32 addressLength;        // bytes of `address` in use; values above 8 mean 8
    quint8 address[8];
    qint32 index;                 // interface index
    qint32 type;                  // 6 Ethernet, 24 loopback, 71 wireless, 23 PPP, 1 other
    char ipAddress[16];           // first IPv4 address, dotted
    char ipMask[16];              // its subnet mask, dotted
    char gateway[16];             // first default gateway, dotted; "0.0.0.0" when none
};
static_assert(std::is_trivially_copyable_v<AdapterInfoRecord>);
static_assert(std::is_standard_layout_v<AdapterInfoRecord>);

inline constexpr qsizetype kAdapterInfoRecordSize = qsizetype(sizeof(AdapterInfoRecord));

// The host's list of network adapters, after the Windows GetAdaptersInfo call.
class AdapterPlatform {
public:
    virtual ~AdapterPlatform() = default;

    // Called with buffer == nullptr and *size == 0 to learn the size needed: answers
    // BufferOverflow with *size set (or NoData when there is no adapter). Called again with a
    // buffer of *size bytes, fills it with the record chain and answers Success, or
    // BufferOverflow with the new size when the data no longer fits.
    virtual quint32 GetAdaptersInfo(QByteArray *buffer, quint32 *size) = 0;

    // The system error code of the calling thread's last failed call (0 when none).
    virtual quint32 lastError() const = 0;
};

// Copies `text` into a fixed text field: at most N - 1 bytes, the rest NUL.
template <std::size_t N>
void setRecordText(char (&field)[N], const QByteArray &text)
{
    std::memset(field, 0, N);
    const std::size_t length = qMin<std::size_t>(std::size_t(text.size()), N - 1);
    if (length > 0)
        std::memcpy(field, text.constData(), length);
}

// Sets the hardware address: its first 8 bytes at most, and their count as the length.
void setRecordAddress(AdapterInfoRecord &record, const QByteArray &bytes);

// Lays the records one after another, linking each to the following one; the last one's
// `next` is 0. Whatever `next` the records held is replaced.
QByteArray serializeAdapterChain(const QList<AdapterInfoRecord> &records);

// Answers one GetAdaptersInfo call from a prepared chain (as made by serializeAdapterChain):
// NoData for an empty chain; InvalidParameter without a size, with a buffer missing while a
// size is given, or with a size larger than the buffer; BufferOverflow with *size set to
// the chain's size when the buffer is missing or too small; otherwise the chain is copied to
// the start of the buffer, *size is set to the chain's size and the answer is Success.
quint32 answerAdaptersInfo(const QByteArray &chain, QByteArray *buffer, quint32 *size);

} // namespace qvx

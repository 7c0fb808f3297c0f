#pragma once
#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// Invariant checks of the fuzz targets: a failed check prints where and aborts, which
// libFuzzer reports as a crash and saves the input.
#define FUZZ_CHECK(cond)                                                                        \
    do {                                                                                         \
        if (!(cond)) {                                                                           \
            std::fprintf(stderr, "FUZZ_CHECK failed: %s at %s:%d\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

namespace qvx::fuzz {

// Bytes in a heap block of exactly their size, seen through a QByteArray that does not own
// them and has no terminating zero: a read one byte past the end lands in AddressSanitizer's
// red zone instead of in QByteArray's spare capacity.
class ExactBytes {
public:
    ExactBytes(const char *data, std::size_t size)
        : m_block(new char[size == 0 ? 1 : size]), m_size(size)
    {
        if (size != 0)
            std::memcpy(m_block.get(), data, size);
    }
    explicit ExactBytes(const QByteArray &bytes) : ExactBytes(bytes.constData(), std::size_t(bytes.size())) {}

    // Valid while this object lives.
    QByteArray view() const { return QByteArray::fromRawData(m_size ? m_block.get() : nullptr, qsizetype(m_size)); }

private:
    std::unique_ptr<char[]> m_block;
    std::size_t m_size;
};

} // namespace qvx::fuzz

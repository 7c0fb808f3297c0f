// Reply recognition and the settings layouts on arbitrary bytes.
//
// Checked for every input:
// - a recognised frame is exactly what buildReplyFrame makes of its command and data, its
//   data fits the stored bytes, and the bytes after the frame's end do not matter;
// - no decoder and no grid row reads past the data it is given (the data sits in a heap
//   block of its exact size, so AddressSanitizer sees the first byte beyond);
// - a decoder reads bytes beyond a short block as 0;
// - decoding a block of full length and encoding it again gives the same bytes (request
//   layouts: with their enable bytes written 1 / 0 and their reserved byte 0).
#include "FuzzChecks.h"

#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/Layouts.h"

#include <QRegularExpression>

using namespace qvx;
using qvx::fuzz::ExactBytes;

namespace {

QByteArray padded(const QByteArray &data, int length)
{
    QByteArray out = data.left(length);
    if (out.size() < length)
        out.append(QByteArray(length - out.size(), '\0'));
    return out;
}

// `data` with the bytes at `offsets` written 1 for non-zero and 0 for zero.
QByteArray withEnableBytes(QByteArray data, std::initializer_list<int> offsets)
{
    for (int offset : offsets)
        data[offset] = data[offset] != 0 ? 1 : 0;
    return data;
}

// Decodes `data` (any length) and, when it has the block's full length, checks that
// encoding gives back `expected(data)`. Also checks that the decoder reads missing bytes as
// zeros, by comparing with the decoding of the data padded to full length.
template <typename Block, typename Decode, typename Encode, typename Expected>
void checkLayout(const QByteArray &data, int fullLength, Decode decode, Encode encode, Expected expected)
{
    const ExactBytes exact(data);
    const Block decoded = decode(exact.view());
    if (data.size() >= fullLength) {
        const QByteArray full = data.left(fullLength);
        const ExactBytes exactFull(full);
        FUZZ_CHECK(encode(decode(exactFull.view())) == expected(full));
    } else {
        const QByteArray zeroFilled = padded(data, fullLength);
        FUZZ_CHECK(decode(zeroFilled) == decoded);
    }
}

void checkSettingsBlock(const QByteArray &data)
{
    const ExactBytes exact(data);
    const SettingsBlock decoded = decodeSettingsBlock(exact.view());
    FUZZ_CHECK(decoded.hasMode == (data.size() > SettingsOffset::ShortLength));

    // A block of 28 bytes keeps no mode byte; one of 33 keeps them all.
    for (int length : {SettingsOffset::ShortLength, SettingsOffset::FullLength}) {
        if (data.size() != length)
            continue;
        FUZZ_CHECK(encodeSettingsBlock(decoded) == data);
    }
    // Bytes beyond the data read as 0 (whether a mode byte is there aside).
    SettingsBlock zeroFilled = decodeSettingsBlock(padded(data, SettingsOffset::FullLength));
    if (data.size() <= SettingsOffset::FullLength) {
        zeroFilled.hasMode = decoded.hasMode;
        if (!decoded.hasMode) {
            zeroFilled.mode = 0;
            zeroFilled.tcpServer = {};
        }
        FUZZ_CHECK(zeroFilled == decoded);
    }
}

void checkRowTexts(const QByteArray &data)
{
    const ExactBytes exact(data);
    const QStringList cells = discoveryRowTexts(exact.view());
    FUZZ_CHECK(cells.size() == kDeviceGridColumns);

    // A cell is either empty (its bytes are missing) or the text of the full record.
    const QStringList full = discoveryRowTexts(padded(data, kDiscoveryRecordLength));
    for (int c = 0; c < kDeviceGridColumns; ++c) {
        FUZZ_CHECK(!full[c].isEmpty());
        FUZZ_CHECK(cells[c].isEmpty() || cells[c] == full[c]);
    }
    if (data.size() >= kDiscoveryRecordLength)
        FUZZ_CHECK(cells == discoveryRowTexts(data.left(kDiscoveryRecordLength)));

    static const QRegularExpression mac(QStringLiteral("^([0-9A-F]{2}-){5}[0-9A-F]{2}$"));
    static const QRegularExpression dotted(QStringLiteral("^(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])"
                                                          "(\\.(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])){3}$"));
    FUZZ_CHECK(mac.match(full[0]).hasMatch());
    for (int c : {1, 2, 3, 12, 13, 14, 15, 23, 24, 25, 26, 27})
        FUZZ_CHECK(dotted.match(full[c]).hasMatch());
}

void checkAllLayouts(const QByteArray &data)
{
    checkSettingsBlock(data);
    checkLayout<SettingsUploadBlock>(
        data, kSettingsUploadLength, decodeSettingsUploadBlock, encodeSettingsUploadBlock, [](QByteArray d) {
            d = withEnableBytes(d, {26});
            d[32] = 0;
            return d;
        });
    checkLayout<DiscoveryRecord>(data, kDiscoveryRecordLength, decodeDiscoveryRecord, encodeDiscoveryRecord,
                                 [](const QByteArray &d) { return d; });
    checkLayout<SourceFilterBlock>(data, kSourceFilterLength, decodeSourceFilterBlock, encodeSourceFilterBlock,
                                   [](const QByteArray &d) { return d; });
    checkLayout<BridgeBlock>(data, kBridgeBlockLength, decodeBridgeBlock, encodeBridgeBlock, [](QByteArray d) {
        d[0] = static_cast<char>(d[0] & 0x01);
        return d;
    });
    checkLayout<UartQuickBlock>(data, 2, decodeUartQuickBlock, encodeUartQuickBlock,
                                [](const QByteArray &d) { return d; });
    checkLayout<DeviceUploadBlock>(data, kDeviceUploadLength, decodeDeviceUploadBlock, encodeDeviceUploadBlock,
                                   [](const QByteArray &d) { return withEnableBytes(d, {32, 49}); });
    checkRowTexts(data);
}

void checkRecognition(const QByteArray &datagram)
{
    const ExactBytes exact(datagram);
    const std::optional<Frame> frame = recognizeReply(exact.view());
    if (!frame) {
        // Only the stored part of a datagram counts: what follows it cannot make it a frame.
        if (datagram.size() > kMaxStoredReplyBytes)
            FUZZ_CHECK(!recognizeReply(datagram.left(kMaxStoredReplyBytes)));
        return;
    }
    const int len = frame->data.size();
    FUZZ_CHECK(len <= kMaxReplyDataLength);
    FUZZ_CHECK(len + 6 <= datagram.size());
    FUZZ_CHECK(buildReplyFrame(frame->cmd, frame->data) == datagram.left(len + 6));
    // The stored part alone is recognised the same way, and so is the frame followed by
    // anything else.
    const std::optional<Frame> stored = recognizeReply(datagram.left(kMaxStoredReplyBytes));
    FUZZ_CHECK(stored && stored->cmd == frame->cmd && stored->data == frame->data);
    FUZZ_CHECK(!recognizeRequest(datagram));

    checkAllLayouts(frame->data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(bytes), qsizetype(size));

    checkRecognition(input);
    {
        // The request recogniser, as the device simulator uses it.
        const ExactBytes exact(input);
        if (const std::optional<Frame> request = recognizeRequest(exact.view()))
            FUZZ_CHECK(buildRequestFrame(request->cmd, request->data) == input.left(request->data.size() + 6));
    }

    // Whatever the frame, the layouts on the raw bytes at every length up to 90, and on a
    // frame built around them so that every reply code is reached with the same data.
    checkAllLayouts(input.left(kDeviceUploadLength + 8));
    if (size >= 1) {
        const quint8 cmd = kFirstCommand + bytes[0] % (kLastCommand - kFirstCommand + 1);
        const QByteArray data = input.mid(1, kMaxReplyDataLength);
        const QByteArray frame = buildReplyFrame(cmd, data);
        const ExactBytes exactFrame(frame);
        const std::optional<Frame> rebuilt = recognizeReply(exactFrame.view());
        FUZZ_CHECK(rebuilt && rebuilt->cmd == cmd && rebuilt->data == data);
        // One byte less is never a frame.
        FUZZ_CHECK(!recognizeReply(frame.left(frame.size() - 1)));
    }
    return 0;
}

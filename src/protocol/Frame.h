#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

namespace qvx {

constexpr char kStartMarker = '<';
constexpr char kRequestMarker = '#';
constexpr char kReplyMarker = '$';
constexpr char kEndMarker = '>';

// The receiver keeps at most this many bytes of a datagram (indexes 0..100).
constexpr int kMaxStoredReplyBytes = 101;
// Largest LEN whose end marker still falls inside the stored bytes.
constexpr int kMaxReplyDataLength = kMaxStoredReplyBytes - 6;

// Sum of CMD, LEN and DATA bytes modulo 256.
quint8 frameChecksum(const QByteArray &body);

// The data of every simple command: 0xAA 0xAA.
QByteArray simpleCommandData();

// "<#" CMD LEN DATA CHK ">". DATA must be at most 255 bytes.
QByteArray buildRequestFrame(quint8 cmd, const QByteArray &data);
// "<$" CMD LEN DATA CHK ">", as a device answers.
QByteArray buildReplyFrame(quint8 cmd, const QByteArray &data);

struct Frame {
    quint8 cmd = 0;
    QByteArray data; // exactly LEN bytes
};

// Checks a received datagram: "<$" start, LEN within the stored bytes, the whole frame
// present, ">" end marker and checksum. Returns the command and its data, or nothing.
std::optional<Frame> recognizeReply(const QByteArray &datagram);

// The same checks for a request frame ("<#"), as a device receiving it would make.
std::optional<Frame> recognizeRequest(const QByteArray &datagram);

// Upper-case hexadecimal bytes separated by blanks ("3C 23 61 ..."), for logs and messages.
QString hexDump(const QByteArray &bytes);

} // namespace qvx

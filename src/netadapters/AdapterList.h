#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

namespace qvx {

// One network adapter of the host.
struct AdapterRecord {
    QString name;
    qint32 index = 0;
    qint32 type = 0;
    QString macAddress;
    QString ipAddress;
    QString ipMask;
    QString description;
    QString gateway;
};

// Raised by enumerateAdapters; the list passed in is left untouched.
struct AdapterError {
    quint32 number = 0;
    QString source;   // "GetAdaptersInfo"
    QString message;
};

// The numbers enumerateAdapters raises.
namespace AdapterErrorNumber {
inline constexpr quint32 EarlySuccess = 0x8004B700;      // first call succeeded without a buffer
inline constexpr quint32 NotSupported = 0x8004B710;      // first call: not supported
inline constexpr quint32 BadParameters = 0x8004B720;     // first call: invalid parameter
inline constexpr quint32 LateNotSupported = 0x8004B730;  // second call: not supported
inline constexpr quint32 LateBadParameters = 0x8004B740; // second call: invalid parameter
inline constexpr quint32 LateOverflow = 0x8004B750;      // second call: the data grew meanwhile
inline constexpr quint32 LateSystemError = 0x8004B760;   // second call: any other code
inline constexpr quint32 SystemError = 0x8004B770;       // first call: any other code
} // namespace AdapterErrorNumber

// The part of the text before its first NUL character.
QString trimAtNul(const QString &text);
// "00-04-A3-01-0A-FF": two upper-case hex digits per byte joined by "-"; empty for length 0.
// Only the first `length` bytes are shown, and never more than 8 nor more than `bytes` holds.
QString formatMacAddress(const QByteArray &bytes, int length);

// Platform call seam. Implementations and their details: see AdapterPlatform.h.
class AdapterPlatform;

// Fills `adapters` with one record per IPv4 adapter, in the host's order, and returns the
// count. After success the list holds exactly that many records. With no adapter at all,
// returns 0 and leaves the list as it was. Throws AdapterError, leaving the list untouched.
qint32 enumerateAdapters(QList<AdapterRecord> &adapters, AdapterPlatform &platform);

} // namespace qvx

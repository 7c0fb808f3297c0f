#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

namespace qvx {

// One network adapter of the host.
struct AdapterRecord {
    QString Name;
    qint32 Index = 0;
    qint32 Type = 0;
    QString MacAddress;
    QString IpAddress;
    QString IpMask;
    QString Description;
    QString Gateway;
};

// Raised by EnumerateAdapters; the list passed in is left untouched.
struct AdapterError {
    quint32 number = 0;
    QString source;   // "GetAdaptersInfo"
    QString message;
};

// The part of the text before its first NUL character.
QString TrimAtNul(const QString &text);
// "00-04-A3-01-0A-FF": two upper-case hex digits per byte joined by "-"; empty for length 0.
QString FormatMacAddress(const QByteArray &bytes, int length);

// Platform call seam. Implementations and their details: see AdapterPlatform.h.
class AdapterPlatform;

// Fills `adapters` with one record per IPv4 adapter, in the host's order, and returns the
// count. With no adapter at all, returns 0 and leaves the list as it was. Throws AdapterError.
qint32 EnumerateAdapters(QList<AdapterRecord> &adapters, AdapterPlatform &platform);

} // namespace qvx

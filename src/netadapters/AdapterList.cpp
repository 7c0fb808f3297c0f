#include "netadapters/AdapterList.h"

#include "netadapters/AdapterPlatform.h"

#include <cstring>

namespace qvx {

namespace {

constexpr auto kSource = "GetAdaptersInfo";

[[noreturn]] void Raise(quint32 number, const QString &message)
{
    throw AdapterError{number, QString::fromLatin1(kSource), message};
}

// An 8-bit text field of the platform, converted with the system code page, cut at its NUL.
template <std::size_t N>
QString FieldText(const char (&field)[N])
{
    return trimAtNul(QString::fromLocal8Bit(field, qsizetype(N)));
}

AdapterRecord ToAdapterRecord(const AdapterInfoRecord &info)
{
    AdapterRecord record;
    record.name = FieldText(info.name);
    record.index = info.index;
    record.type = info.type;
    const QByteArray address(reinterpret_cast<const char *>(info.address), sizeof info.address);
    record.macAddress = formatMacAddress(address, int(qMin<quint32>(info.addressLength, sizeof info.address)));
    record.ipAddress = FieldText(info.ipAddress);
    record.ipMask = FieldText(info.ipMask);
    record.description = FieldText(info.description);
    record.gateway = FieldText(info.gateway);
    return record;
}

} // namespace

QString trimAtNul(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString formatMacAddress(const QByteArray &bytes, int length)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const qsizetype count = qMin<qsizetype>(qMin<qsizetype>(length, 8), bytes.size());
    QString text;
    if (count <= 0)
        return text;
    text.reserve(count * 3 - 1);
    for (qsizetype i = 0; i < count; ++i) {
        const auto byte = quint8(bytes.at(i));
        if (i > 0)
            text += QLatin1Char('-');
        text += QLatin1Char(kDigits[byte >> 4]);
        text += QLatin1Char(kDigits[byte & 0x0F]);
    }
    return text;
}

qint32 enumerateAdapters(QList<AdapterRecord> &adapters, AdapterPlatform &platform)
{
    quint32 size = 0;
    switch (platform.GetAdaptersInfo(nullptr, &size)) {
    case AdapterResult::BufferOverflow:
        break;
    case AdapterResult::NoData:
        return 0;
    case AdapterResult::Success:
        Raise(AdapterErrorNumber::EarlySuccess,
              QStringLiteral("GetAdaptersInfo Early Success: internal error"));
    case AdapterResult::NotSupported:
        Raise(AdapterErrorNumber::NotSupported,
              QStringLiteral("GetAdaptersInfo is not supported by this OS"));
    case AdapterResult::InvalidParameter:
        Raise(AdapterErrorNumber::BadParameters,
              QStringLiteral("GetAdaptersInfo Bad Parameters: internal error"));
    default:
        Raise(AdapterErrorNumber::SystemError,
              QStringLiteral("GetAdaptersInfo system error ") + QString::number(platform.lastError()));
    }

    QByteArray buffer(qsizetype(size), '\0');
    switch (platform.GetAdaptersInfo(&buffer, &size)) {
    case AdapterResult::Success:
        break;
    case AdapterResult::NotSupported:
        Raise(AdapterErrorNumber::LateNotSupported,
              QStringLiteral("GetAdaptersInfo Late Failure: is not supported by this OS"));
    case AdapterResult::InvalidParameter:
        Raise(AdapterErrorNumber::LateBadParameters,
              QStringLiteral("GetAdaptersInfo Late Failure, Bad Parameters: internal error"));
    case AdapterResult::BufferOverflow:
        Raise(AdapterErrorNumber::LateOverflow,
              QStringLiteral("GetAdaptersInfo Late Failure: buffer overflow"));
    default:
        Raise(AdapterErrorNumber::LateSystemError,
              QStringLiteral("GetAdaptersInfo Late Failure: system error ")
                  + QString::number(platform.lastError()));
    }

    // Walk the chain inside the buffer only: a record must lie wholly within it, and a link
    // that points outside it or not further on ends the walk.
    QList<AdapterRecord> found;
    const qsizetype bufferSize = buffer.size();
    qsizetype offset = 0;
    while (offset >= 0 && offset <= bufferSize - kAdapterInfoRecordSize) {
        AdapterInfoRecord info;
        std::memcpy(&info, buffer.constData() + offset, sizeof info);
        found.append(ToAdapterRecord(info));
        if (info.next == 0 || qsizetype(info.next) <= offset)
            break;
        offset = qsizetype(info.next);
    }

    const auto count = qint32(found.size());
    if (count > 0)
        adapters = std::move(found);
    return count;
}

} // namespace qvx

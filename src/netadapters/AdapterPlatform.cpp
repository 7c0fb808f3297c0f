#include "netadapters/AdapterPlatform.h"

namespace qvx {

void setRecordAddress(AdapterInfoRecord &record, const QByteArray &bytes)
{
    std::memset(record.address, 0, sizeof record.address);
    const std::size_t length = qMin<std::size_t>(std::size_t(bytes.size()), sizeof record.address);
    if (length > 0)
        std::memcpy(record.address, bytes.constData(), length);
    record.addressLength = quint32(length);
}

QByteArray serializeAdapterChain(const QList<AdapterInfoRecord> &records)
{
    QByteArray chain(records.size() * kAdapterInfoRecordSize, '\0');
    for (qsizetype i = 0; i < records.size(); ++i) {
        AdapterInfoRecord record = records.at(i);
        const bool last = i + 1 == records.size();
        record.next = last ? 0 : quint32((i + 1) * kAdapterInfoRecordSize);
        std::memcpy(chain.data() + i * kAdapterInfoRecordSize, &record, sizeof record);
    }
    return chain;
}

quint32 answerAdaptersInfo(const QByteArray &chain, QByteArray *buffer, quint32 *size)
{
    if (size == nullptr)
        return AdapterResult::InvalidParameter;
    if (buffer == nullptr && *size != 0)
        return AdapterResult::InvalidParameter;
    if (buffer != nullptr && qsizetype(*size) > buffer->size())
        return AdapterResult::InvalidParameter;
    if (chain.isEmpty())
        return AdapterResult::NoData;

    const quint32 needed = quint32(chain.size());
    if (buffer == nullptr || *size < needed) {
        *size = needed;
        return AdapterResult::BufferOverflow;
    }
    std::memcpy(buffer->data(), chain.constData(), needed);
    *size = needed;
    return AdapterResult::Success;
}

} // namespace qvx

#pragma once
#include "netadapters/AdapterPlatform.h"

#include <optional>

namespace qvx::test {

// Answers from `chain` like a real platform (an empty chain: the host has no adapter), unless
// a call's answer is scripted. A scripted BufferOverflow still reports the chain's size, so
// the enumeration can go on to its second call; other scripted answers leave buffer and size
// alone.
class FakeAdapterPlatform : public AdapterPlatform {
public:
    struct Call {
        bool hadBuffer = false;
        qsizetype bufferSize = 0;
        quint32 size = 0;
    };

    QByteArray chain;
    std::optional<quint32> firstAnswer, secondAnswer;
    quint32 threadError = 0;
    QList<Call> calls;

    quint32 GetAdaptersInfo(QByteArray *buffer, quint32 *size) override
    {
        calls.append({buffer != nullptr, buffer ? buffer->size() : 0, size ? *size : 0});
        const std::optional<quint32> scripted = calls.size() == 1 ? firstAnswer : secondAnswer;
        if (!scripted)
            return answerAdaptersInfo(chain, buffer, size);
        if (*scripted == AdapterResult::BufferOverflow)
            *size = quint32(chain.size());
        return *scripted;
    }
    quint32 lastError() const override { return threadError; }
};

inline AdapterInfoRecord MakeRecord(const QByteArray &name, const QByteArray &mac, const QByteArray &ip,
                                    const QByteArray &mask, const QByteArray &gateway, qint32 index = 1,
                                    qint32 type = 6, const QByteArray &description = "Test adapter")
{
    AdapterInfoRecord record{};
    setRecordText(record.name, name);
    record.index = index;
    record.type = type;
    setRecordAddress(record, mac);
    setRecordText(record.ipAddress, ip);
    setRecordText(record.ipMask, mask);
    setRecordText(record.description, description);
    setRecordText(record.gateway, gateway);
    return record;
}

} // namespace qvx::test

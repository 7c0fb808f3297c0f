#pragma once
#include "platform/ProcessLauncher.h"
#include "protocol/MessageSink.h"

#include <QList>
#include <QStringList>

#include <ostream>

namespace qvx::test {

struct ShownMessage {
    QString text;
    QString title;
    MessageIcon icon;
    bool operator==(const ShownMessage &) const = default;
};

inline void PrintTo(const ShownMessage &m, std::ostream *os)
{
    *os << '"' << m.title.toStdString() << "\": \"" << m.text.toStdString() << "\" (icon " << int(m.icon) << ')';
}

class RecordingMessageSink : public MessageSink {
public:
    void show(const QString &text, const QString &title, MessageIcon icon) override
    {
        messages.append({text, title, icon});
    }
    QStringList texts() const
    {
        QStringList out;
        for (const ShownMessage &m : messages)
            out.append(m.text);
        return out;
    }
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    void clear() { messages.clear(); }
    QList<ShownMessage> messages;
};

// A warning about a value, as the windows show it.
inline QList<ShownMessage> Warning(const QString &text)
{
    return {{text, QStringLiteral("Message Warning"), MessageIcon::Exclamation}};
}

class RecordingProcessLauncher : public ProcessLauncher {
public:
    struct Started {
        QString program;
        QStringList arguments;
    };
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        started.append({program, arguments});
        return startSucceeds;
    }
    QString findExecutable(const QStringList &names) const override
    {
        for (const QString &name : names)
            for (const auto &entry : onPath)
                if (entry.first == name)
                    return entry.second;
        return {};
    }

    QList<Started> started;
    bool startSucceeds = true;
    // Programs "found on the search path": name -> full path.
    QList<QPair<QString, QString>> onPath;
};

} // namespace qvx::test

#pragma once
#include "netadapters/AdapterPlatform.h"
#include "platform/ProcessLauncher.h"
#include "protocol/MessageSink.h"

#include <QList>
#include <QStringList>

namespace qvx::test {

struct ShownMessage {
    QString text;
    QString title;
    MessageIcon icon;
};

class RecordingMessageSink : public MessageSink {
public:
    void show(const QString &text, const QString &title, MessageIcon icon) override
    {
        messages.append({text, title, icon});
    }
    QStringList texts() const;
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    void clear() { messages.clear(); }
    QList<ShownMessage> messages;
};

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
    QString findExecutable(const QStringList &names) const override;

    QList<Started> started;
    bool startSucceeds = true;
    // Programs "found on the search path": name -> full path.
    QList<QPair<QString, QString>> onPath;
};

} // namespace qvx::test

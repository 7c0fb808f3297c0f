#pragma once
#include <QString>

namespace qvx {

enum class MessageIcon { None, Information, Exclamation, Critical };

// Every message box of the program goes through one sink. The real one shows a modal
// box without blocking the caller; tests read a recorder.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void show(const QString &text, const QString &title, MessageIcon icon) = 0;
};

} // namespace qvx

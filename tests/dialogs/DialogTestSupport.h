#pragma once
#include "AppHarness.h"

#include "app/AppContext.h"
#include "programmer/frm01UDPClient.h"

#include <QApplication>
#include <QByteArray>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <initializer_list>

namespace qvx::test {

// A request frame as the device expects it, built here byte by byte so that the tests do
// not lean on the program's own framing code.
inline QByteArray RequestBytes(quint8 cmd, const QByteArray &data)
{
    QByteArray out("<#");
    out.append(char(cmd));
    out.append(char(data.size()));
    out.append(data);
    unsigned sum = cmd + unsigned(data.size());
    for (char c : data)
        sum += quint8(c);
    out.append(char(sum & 0xFF));
    out.append('>');
    return out;
}

inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// Replaces a box's text the way a user does: select everything, then type.
inline void RetypeText(QLineEdit *box, const QString &text)
{
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    else
        QTest::keyClicks(box, text);
}

// Closes a window that deletes itself on close and waits until it is gone.
template <typename Window>
bool CloseAndWaitGone(Window *window)
{
    QPointer<Window> guard(window);
    window->close();
    return QTest::qWaitFor([&] { return guard.isNull(); }, 2000);
}

// The deferred-write timer's expiry, as the programmer window runs it.
inline void FireDeferredWrite(AppHarness &h)
{
    h.app().programmer()->Timer4_Timer();
}

} // namespace qvx::test

#pragma once

#include <QList>

class QAccessibleEvent;
class QWidget;

namespace qvx {

// Installs, once, the accessible interfaces of the program's own widgets: the value labels,
// and the plain top-level windows (a QWidget with Qt::Window), which would otherwise be
// exposed as fillers and are exposed as windows with their title. Cheap to call again.
void installAccessibleInterfaces();

// While assistive technology is active, drops an interface Qt made for `widget` before the
// program's own could answer (an event raised while the widget was still being built), so
// that the next query makes the program's. Called at the end of such widgets' construction.
void renewAccessibleInterface(QWidget *widget);

// Raises `event` for assistive technology, or hands it to the spy while one is set.
void raiseAccessibleEvent(QAccessibleEvent &event);
// Tests: every event raised through raiseAccessibleEvent() goes to `spy` (nullptr: none).
using AccessibleEventSpy = void (*)(QAccessibleEvent *event);
void setAccessibleEventSpy(AccessibleEventSpy spy);

// Tab visits `order` in this order (and Shift+Tab the other way); the last one is followed
// by whatever followed it before. Disabled and hidden controls are skipped by Tab itself.
void chainTabOrder(const QList<QWidget *> &order);

// Return or Enter on a focused push button of `window` presses it, as Space does. (Qt
// leaves these keys to the window's default button, or to nothing outside a dialog.)
// Buttons created later are covered too: the filter sits on the window.
void pressFocusedButtonsWithEnter(QWidget *window);

} // namespace qvx

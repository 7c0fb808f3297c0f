#pragma once
#include "AppHarness.h"

#include "accessibility/Accessibility.h"

#include <QAccessible>
#include <QList>
#include <QPointer>
#include <gtest/gtest.h>

namespace qvx::test {

// What assistive technology reads for `object`: its role and its texts.
inline QAccessibleInterface *accessible(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(iface, nullptr) << (object ? object->objectName().toStdString() : "null");
    return iface;
}
inline QString accessibleText(QObject *object, QAccessible::Text which = QAccessible::Name)
{
    QAccessibleInterface *iface = accessible(object);
    return iface ? iface->text(which) : QString();
}

// Records the accessibility events the program raises while it lives (Qt raises none of its
// own on the offscreen platform, which has no assistive technology to tell).
class AccessibleEventRecorder {
public:
    struct Event {
        QPointer<QObject> object;
        QAccessible::Event type;
        QString value;
    };

    AccessibleEventRecorder()
    {
        events().clear();
        setAccessibleEventSpy(&AccessibleEventRecorder::record);
    }
    ~AccessibleEventRecorder() { setAccessibleEventSpy(nullptr); }

    // The values announced for `object` by ValueChanged events.
    QStringList valuesOf(QObject *object) const
    {
        QStringList out;
        for (const Event &e : events())
            if (e.object == object && e.type == QAccessible::ValueChanged)
                out << e.value;
        return out;
    }
    void clear() { events().clear(); }

private:
    static QList<Event> &events()
    {
        static QList<Event> list;
        return list;
    }
    static void record(QAccessibleEvent *event)
    {
        QString value;
        if (event->type() == QAccessible::ValueChanged)
            value = static_cast<QAccessibleValueChangeEvent *>(event)->value().toString();
        events().append({event->object(), event->type(), value});
    }
};

} // namespace qvx::test

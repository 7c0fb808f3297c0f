#include "accessibility/Accessibility.h"

#include "accessibility/ValueLabel.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace qvx {

namespace {

// The interfaces made here, told apart from those Qt made.
class ProgramInterface : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;
};

// A value label reads as "role: value"; its value is also its accessible value.
class ValueLabelInterface : public ProgramInterface {
public:
    explicit ValueLabelInterface(ValueLabel *label) : ProgramInterface(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        const auto *label = static_cast<const ValueLabel *>(widget());
        switch (t) {
        case QAccessible::Name:
            if (!label->accessibleName().isEmpty())
                return label->accessibleName();
            return ValueLabel::spokenText(label->role(), label->text());
        case QAccessible::Value:
            return label->text();
        default:
            return ProgramInterface::text(t);
        }
    }
};

// A plain QWidget of the program: a window, named by its title, while it is one (before
// Qt::Window is set it is a part of another window, as Qt would expose it).
class PlainWidgetInterface : public ProgramInterface {
public:
    explicit PlainWidgetInterface(QWidget *widget) : ProgramInterface(widget, QAccessible::Client) {}

    QAccessible::Role role() const override
    {
        return widget()->isWindow() ? QAccessible::Window : QAccessible::Client;
    }
};

// The program's own classes only: Qt's widgets keep their own interfaces.
bool isProgramClass(const QString &className)
{
    return className.startsWith(QLatin1String("qvx::"));
}

QAccessibleInterface *programInterface(const QString &className, QObject *object)
{
    if (!isProgramClass(className) || !object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (auto *label = qobject_cast<ValueLabel *>(widget))
        return new ValueLabelInterface(label);
    // A direct subclass of QWidget (QAccessibleWidget reads the title of a window that has
    // no accessible name). Subclasses of Qt's other widgets keep Qt's interfaces.
    const QMetaObject *meta = widget->metaObject();
    if (className == QLatin1String(meta->className()) && meta->superClass() == &QWidget::staticMetaObject)
        return new PlainWidgetInterface(widget);
    return nullptr;
}

// Return or Enter that reaches the window from a focused push button, which let it pass,
// presses that button.
class EnterPressesFocusedButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto *button = qobject_cast<QPushButton *>(QApplication::focusWidget());
        if (!button || button->window() != watched || !button->isEnabled() || !button->isVisible())
            return false;
        button->click();
        return true;
    }
};

AccessibleEventSpy eventSpy = nullptr;

} // namespace

void raiseAccessibleEvent(QAccessibleEvent &event)
{
    if (eventSpy)
        eventSpy(&event);
    else
        QAccessible::updateAccessibility(&event);
}

void setAccessibleEventSpy(AccessibleEventSpy spy)
{
    eventSpy = spy;
}

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(programInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

void renewAccessibleInterface(QWidget *widget)
{
    if (!QAccessible::isActive())
        return; // nothing asked for an interface yet
    QAccessibleInterface *cached = QAccessible::queryAccessibleInterface(widget);
    if (cached && !dynamic_cast<ProgramInterface *>(cached))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(cached));
}

void chainTabOrder(const QList<QWidget *> &order)
{
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void pressFocusedButtonsWithEnter(QWidget *window)
{
    window->installEventFilter(new EnterPressesFocusedButton(window));
}

} // namespace qvx

#include "accessibility/ValueLabel.h"

#include "accessibility/Accessibility.h"

#include <QAccessible>

namespace qvx {

ValueLabel::ValueLabel(const QString &role, QWidget *parent) : QLabel(parent)
{
    // The accessible name stays unset: a label without one announces each new text
    // (QLabel::setText raises NameChanged), and its interface reads "role: value".
    installAccessibleInterfaces();
    setAccessibleDescription(role);
    renewAccessibleInterface(this);
}

void ValueLabel::setText(const QString &value)
{
    if (value == text())
        return;
    QLabel::setText(value);
    QAccessibleValueChangeEvent changed(this, value);
    raiseAccessibleEvent(changed);
}

void ValueLabel::setRole(const QString &role)
{
    setAccessibleDescription(role);
}

QString ValueLabel::spokenText(const QString &role, const QString &value)
{
    if (role.isEmpty())
        return value;
    if (value.isEmpty())
        return role;
    return role + QStringLiteral(": ") + value;
}

} // namespace qvx

#pragma once

#include <QLabel>

namespace qvx {

// A label that shows a value (a firmware version, a status, an address). Assistive
// technology reads it as "role: value" ("Firmware version: 2.1"), or the role alone while
// the label is empty, and announces every change of the value; the role is also its
// accessible description.
class ValueLabel : public QLabel {
    Q_OBJECT
public:
    explicit ValueLabel(const QString &role, QWidget *parent = nullptr);

    // Shows `value` and announces it: Qt raises NameChanged for the label, and this raises
    // ValueChanged with the new value. (It hides QLabel::setText: set a value through a
    // ValueLabel pointer.)
    void setText(const QString &value);

    QString role() const { return accessibleDescription(); }
    void setRole(const QString &role);

    // What assistive technology reads for `role` and `value`.
    static QString spokenText(const QString &role, const QString &value);
};

} // namespace qvx

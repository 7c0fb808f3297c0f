#pragma once

#include <QList>
#include <QWidget>

class QLineEdit;

namespace qvx {

// A row of small entry boxes, one per byte of an address: the four octets of an IP address,
// the six bytes of a MAC address. Box i is named "<baseName>_<i>" (the name tests and
// accessibility ids use) and read by a screen reader as "<caption>: <unit> i of N".
class OctetRow : public QWidget {
public:
    enum class Look {
        Free,       // the fixed-width font, room for a value such as 255.4 while it is typed
        ThreeDigits // at most three digits, centred, "0" to start with
    };
    OctetRow(int count, const QString &baseName, const QString &caption, const QString &unit, Look look,
             QWidget *parent);

    QLineEdit *box(int index) const { return m_boxes[index]; }
    const QList<QLineEdit *> &boxes() const { return m_boxes; }
    int count() const { return int(m_boxes.size()); }
    // The index of `box` in the row, or -1.
    int indexOf(const QObject *box) const;

private:
    QList<QLineEdit *> m_boxes;
};

} // namespace qvx

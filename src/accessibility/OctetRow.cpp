#include "accessibility/OctetRow.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>

namespace qvx {

OctetRow::OctetRow(int count, const QString &baseName, const QString &caption, const QString &unit, Look look,
                   QWidget *parent)
    : QWidget(parent)
{
    setObjectName(baseName + QStringLiteral("Row"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    QString spokenCaption = caption.trimmed();
    if (spokenCaption.endsWith(QLatin1Char(':')))
        spokenCaption.chop(1);
    for (int i = 0; i < count; ++i) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("%1_%2").arg(baseName).arg(i));
        box->setAccessibleName(QStringLiteral("%1: %2 %3 of %4").arg(spokenCaption, unit).arg(i + 1).arg(count));
        // Room for the digits plus the box's frame and margins.
        if (look == Look::Free) {
            box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
            box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 14);
        } else {
            box->setText(QStringLiteral("0"));
            box->setMaxLength(3);
            box->setAlignment(Qt::AlignCenter);
            box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
        }
        layout->addWidget(box);
        m_boxes << box;
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

int OctetRow::indexOf(const QObject *box) const
{
    for (int i = 0; i < m_boxes.size(); ++i)
        if (m_boxes[i] == box)
            return i;
    return -1;
}

} // namespace qvx

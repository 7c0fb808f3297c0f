#include "discovery/DeviceGridView.h"

#include <QKeyEvent>
#include <QPainter>

namespace qvx {

DeviceGridView::DeviceGridView(QWidget *parent) : QTableView(parent)
{
    setTabKeyNavigation(false);
}

void DeviceGridView::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int key = event->key();
    if (plain && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && currentIndex().isValid()) {
        event->accept();
        Q_EMIT rowChosenByKeyboard();
        return;
    }
    const int rowBefore = currentIndex().isValid() ? currentIndex().row() : -1;
    QTableView::keyPressEvent(event);
    const QModelIndex now = currentIndex();
    if (now.isValid() && now.row() != rowBefore)
        Q_EMIT rowChosenByKeyboard();
}

void DeviceGridView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(viewport()->rect()).adjusted(1, 1, -1, -1));
}

void DeviceGridView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void DeviceGridView::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

QModelIndex DeviceGridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // The grid is read by rows: Home and End go to the first and the last one, in the column
    // the cursor is in (QTableView would go to the first and the last column of the row).
    if ((cursorAction == MoveHome || cursorAction == MoveEnd) && model() && model()->rowCount(rootIndex()) > 0) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const int row = cursorAction == MoveHome ? 0 : model()->rowCount(rootIndex()) - 1;
        return model()->index(row, column, rootIndex());
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

} // namespace qvx

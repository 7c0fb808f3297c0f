#pragma once

#include <QTableView>

namespace qvx {

// The view of the device grid. The keyboard chooses a row as a click does: a key that moves
// the current cell to another row (the arrows, Page Up and Page Down, Home and End) or Space
// or Return on the current row raises rowChosenByKeyboard(). Home and End go to the first
// and the last row. Tab leaves the grid for the next control instead of walking its cells.
// Mouse clicks are left to QTableView::clicked, so a click is never taken twice. While the
// grid has the focus a frame in the highlight colour shows it, also when it has no rows.
class DeviceGridView : public QTableView {
    Q_OBJECT
public:
    explicit DeviceGridView(QWidget *parent = nullptr);

Q_SIGNALS:
    void rowChosenByKeyboard();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
};

} // namespace qvx

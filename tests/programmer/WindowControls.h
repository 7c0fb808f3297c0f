#pragma once
// What a window shows and how a test fills it, control by objectName: shared by the tests of
// the programmer window, of the dialogs and of a whole session.
#include "AppHarness.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <utility>

namespace qvx::test {

// The boxes "<row>_0", "<row>_1".. of a row, in order.
inline QList<QLineEdit *> RowOfBoxes(const QObject *window, const QString &row)
{
    QList<QLineEdit *> boxes;
    while (auto *box = window->findChild<QLineEdit *>(row + QLatin1Char('_') + QString::number(boxes.size())))
        boxes << box;
    EXPECT_FALSE(boxes.isEmpty()) << "no control " << row.toStdString();
    return boxes;
}

// What the controls named show, joined by spaces: the text of a box, a label or a list,
// "(o)" or "( )" for a radio button, and for a row of boxes their texts joined by dots.
inline QString Shown(const QObject *window, const QStringList &names)
{
    QStringList out;
    for (const QString &name : names) {
        if (auto *box = window->findChild<QLineEdit *>(name))
            out << box->text();
        else if (auto *label = window->findChild<QLabel *>(name))
            out << label->text();
        else if (auto *list = window->findChild<QComboBox *>(name))
            out << list->currentText();
        else if (auto *option = window->findChild<QRadioButton *>(name))
            out << QLatin1String(option->isChecked() ? "(o)" : "( )");
        else {
            QStringList parts;
            for (QLineEdit *part : RowOfBoxes(window, name))
                parts << part->text();
            out << parts.join(QLatin1Char('.'));
        }
    }
    return out.join(QLatin1Char(' '));
}

// Fills the controls named: a box with the text, a row of boxes with its dotted parts; a
// radio button given "(o)" is clicked.
inline void Fill(const QObject *window, const QList<std::pair<QString, QString>> &values)
{
    for (const auto &[name, text] : values) {
        if (auto *box = window->findChild<QLineEdit *>(name)) {
            box->setText(text);
        } else if (auto *option = window->findChild<QRadioButton *>(name)) {
            EXPECT_EQ(text, QLatin1String("(o)")) << name.toStdString();
            option->click();
        } else {
            const QList<QLineEdit *> boxes = RowOfBoxes(window, name);
            const QStringList parts = text.split(QLatin1Char('.'));
            for (qsizetype i = 0; i < parts.size() && i < boxes.size(); ++i)
                boxes[i]->setText(parts[i]);
        }
    }
}

} // namespace qvx::test

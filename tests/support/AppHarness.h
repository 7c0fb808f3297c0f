#pragma once
#include "FakeCardSource.h"
#include "FakeEndpoint.h"
#include "RecordingSeams.h"

#include "app/AppContext.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace qvx::test {

// The whole program wired to test doubles: no network, no real message boxes, no processes,
// and no network card unless a test lists some in cards before starting the program.
struct AppHarness {
    explicit AppHarness(bool startProgram = true, bool showWindow = true)
        : ctx(std::make_unique<AppContext>(AppContext::Seams{&endpoint, &messages, &processes, &cards}))
    {
        if (startProgram)
            ctx->start(showWindow);
    }

    AppContext &app() { return *ctx; }
    ProgramState &state() { return ctx->state(); }

    FakeEndpoint endpoint;
    RecordingMessageSink messages;
    RecordingProcessLauncher processes;
    // No card unless a test lists some: a discovery then goes by routing alone.
    FakeCardSource cards;
    std::unique_ptr<AppContext> ctx; // last: destroyed before the doubles it uses
};

// A window's control by its objectName; a failure names the control that is missing.
template <typename Control = QWidget>
Control *Find(const QObject *window, const QString &name)
{
    Control *control = window ? window->findChild<Control *>(name) : nullptr;
    EXPECT_NE(control, nullptr) << "no control " << name.toStdString();
    return control;
}

// The controls "<row>_0", "<row>_1".. of a row, in order.
template <typename Control>
QList<Control *> RowOf(const QObject *window, const QString &row)
{
    QList<Control *> parts;
    while (auto *part = window->findChild<Control *>(row + QLatin1Char('_') + QString::number(parts.size())))
        parts << part;
    return parts;
}

// What the controls named show, joined by spaces: the text of a box, a label or a list,
// "(o)" or "( )" for a radio button, and for a row of boxes or labels their texts joined by dots.
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
            for (QLineEdit *part : RowOf<QLineEdit>(window, name))
                parts << part->text();
            if (parts.isEmpty())
                for (QLabel *part : RowOf<QLabel>(window, name))
                    parts << part->text();
            EXPECT_FALSE(parts.isEmpty()) << "no control " << name.toStdString();
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
            const QList<QLineEdit *> boxes = RowOf<QLineEdit>(window, name);
            EXPECT_FALSE(boxes.isEmpty()) << "no control " << name.toStdString();
            const QStringList parts = text.split(QLatin1Char('.'));
            for (qsizetype i = 0; i < parts.size() && i < boxes.size(); ++i)
                boxes[i]->setText(parts[i]);
        }
    }
}

} // namespace qvx::test

#pragma once
#include <QString>

class QCommandLineParser;

// qvxctl's commands: their names, synopses and help texts, and the options they all take.

namespace qvx::ctl {

struct CommandInfo {
    QString name;
    QString synopsis;    // after "qvxctl NAME"
    QString description;
    bool cards = false;  // searches by discovery: --card applies
};

// The command named `name`, or null when there is none.
const CommandInfo *findCommand(const QString &name);

// The usage of qvxctl without a command: every command's synopsis and the exit codes.
QString overviewText();

// The options every command takes; `cards` adds --card.
void addGlobalOptions(QCommandLineParser &parser, bool cards);

} // namespace qvx::ctl

#pragma once
#include <QString>

class QCommandLineParser;

// qvxctl's commands: their names, synopses and help texts, and the options they all take.

namespace qvx::ctl {

// One command line, parsed and with its common options checked (CtlCommands.cpp).
struct CommandCall;
// What a command does with its line; returns the exit code.
using CommandHandler = int (*)(CommandCall &call);

// The options a command takes besides the common ones.
enum CommandOptions : unsigned {
    NoOptions = 0,
    PasswordOption = 1,   // --password PW
    SourceListOption = 2, // --set A.B.C.D, repeated
    MacCodeOptions = 4,   // --auto, --code N
    ScanRangeOption = 8,  // --scan RANGE, repeated
    DeviceListOptions = 16, // --fields KEY,..., --all
    PaceOptions = 32,     // --rate N, --retries N, --force
};

struct CommandInfo {
    QString name;
    QString synopsis;    // after "qvxctl NAME"
    QString description;
    bool cards = false;  // searches by discovery: --card applies
    unsigned options = NoOptions;
    CommandHandler run = nullptr;
};

// The handlers of the commands, in CtlCommands.cpp.
int runDiscover(CommandCall &call);
int runScan(CommandCall &call);
int runGet(CommandCall &call);
int runSet(CommandCall &call);
int runSetByMac(CommandCall &call);
int runFactory(CommandCall &call);
int runPassword(CommandCall &call);
int runSource(CommandCall &call);
int runBridge(CommandCall &call);
int runMac(CommandCall &call);
int runCommission(CommandCall &call);
int runCheck(CommandCall &call);

// The command named `name`, or null when there is none.
const CommandInfo *findCommand(const QString &name);

// The usage of qvxctl without a command: every command's synopsis and the exit codes.
QString overviewText();

// The options every command takes; `cards` adds --card.
void addGlobalOptions(QCommandLineParser &parser, bool cards);

} // namespace qvx::ctl

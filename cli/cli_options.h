#pragma once
#include <string>
#include <vector>

// The command line of `korvane`: one subcommand, its arguments and the common options.
struct CliOptions {
    std::string command;                 // "ports", "info", "send", "sd-upload", "flash", "backup", "compare",
                                         // "restore"; empty with --help/--version
    std::vector<std::string> arguments;  // the subcommand's own arguments, in order
    std::string port;                    // --port COMn or a device path; empty: the only port in the map
    int linkIndex = 0;                   // --link uart|bluetooth|wifi: the "Link type" item index
    int timeoutMs = 10000;               // --timeout seconds
    std::string to = "/";                // sd-upload --to
    int codePage = 0;                    // sd-upload --codepage; 0: the locale's
    int slot = 0;                        // flash --slot, 1 to 8 as the page shows them
    std::string logFile;                 // --log FILE
    bool yes = false;
    bool quiet = false;
    bool verbose = false;
    bool json = false;
    bool list = false;     // send --list
    int serialChoice = 0;  // restore: 0 or 1 keeps this display's serial number, 2 writes the file's
    bool help = false;
    bool version = false;
    std::string error;  // set when the arguments are bad
};

CliOptions parseCliOptions(const std::vector<std::string>& args);

// The program's help, and each subcommand's, with examples.
std::string programHelp();
// Empty for an unknown subcommand.
std::string commandHelp(const std::string& command);
bool isCommand(const std::string& name);

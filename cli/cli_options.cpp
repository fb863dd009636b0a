#include "cli/cli_options.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

constexpr std::array kCommands = {"ports", "info", "send", "sd-upload", "flash", "backup", "compare", "restore"};
constexpr int kMaxTimeoutSeconds = 24 * 3600;

std::optional<int> parseInt(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    return std::atoi(text.c_str());
}

// Options that take a value, and which subcommands accept them ("" for every one).
struct ValueOption {
    std::string_view name;
    std::string_view commands;
};
constexpr std::string_view kDisplayCommands = "info send sd-upload flash backup compare restore";
constexpr std::array kValueOptions = {
    ValueOption{"--port", kDisplayCommands}, ValueOption{"--link", kDisplayCommands}, ValueOption{"--timeout", kDisplayCommands},
    ValueOption{"--log", kDisplayCommands},  ValueOption{"--to", "sd-upload"},        ValueOption{"--codepage", "sd-upload"},
    ValueOption{"--slot", "flash"},
};

bool accepts(std::string_view commands, const std::string& command)
{
    size_t at = 0;
    while (at < commands.size()) {
        size_t end = commands.find(' ', at);
        if (end == std::string_view::npos)
            end = commands.size();
        if (commands.substr(at, end - at) == command)
            return true;
        at = end + 1;
    }
    return false;
}

void applyValue(CliOptions& o, std::string_view name, const std::string& value)
{
    if (name == "--port") {
        o.port = value;
    } else if (name == "--link") {
        if (value == "uart")
            o.linkIndex = 0;
        else if (value == "bluetooth")
            o.linkIndex = 1;
        else if (value == "wifi")
            o.linkIndex = 2;
        else
            o.error = "--link takes uart, bluetooth or wifi, not '" + value + "'";
    } else if (name == "--timeout") {
        const auto seconds = parseInt(value);
        if (!seconds || *seconds < 1 || *seconds > kMaxTimeoutSeconds)
            o.error = "--timeout takes whole seconds from 1 to 86400, not '" + value + "'";
        else
            o.timeoutMs = *seconds * 1000;
    } else if (name == "--log") {
        o.logFile = value;
    } else if (name == "--to") {
        // The SD folder is used as typed, as the page's folder box does; it must end with '/'.
        if (value.empty() || value.front() != '/' || value.back() != '/')
            o.error = "--to takes an SD folder that starts and ends with '/', such as /logos/";
        else
            o.to = value;
    } else if (name == "--codepage") {
        const auto page = parseInt(value);
        if (!page || *page < 1250 || *page > 1254)
            o.error = "--codepage takes 1250 to 1254, not '" + value + "'";
        else
            o.codePage = *page;
    } else if (name == "--slot") {
        const auto slot = parseInt(value);
        if (!slot || *slot < 1 || *slot > 8)
            o.error = "--slot takes 1 to 8, not '" + value + "'";
        else
            o.slot = *slot;
    }
}

}  // namespace

bool isCommand(const std::string& name)
{
    for (const char* c : kCommands)
        if (name == c)
            return true;
    return false;
}

CliOptions parseCliOptions(const std::vector<std::string>& args)
{
    CliOptions o;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (o.command.empty() && words.empty() && !isCommand(arg)) {
                o.error = "unknown command '" + arg + "'";
                break;
            }
            if (o.command.empty())
                o.command = arg;
            else
                o.arguments.push_back(arg);
            words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--yes" || arg == "-y") {
            o.yes = true;
        } else if (arg == "--quiet" || arg == "-q") {
            o.quiet = true;
        } else if (arg == "--verbose" || arg == "-v") {
            o.verbose = true;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "--list") {
            o.list = true;
        } else if (arg == "--keep-serial" || arg == "--write-serial") {
            if (!o.command.empty() && o.command != "restore") {
                o.error = arg + " applies to 'restore' only";
                break;
            }
            if (o.serialChoice != 0 && o.serialChoice != (arg == "--write-serial" ? 2 : 1)) {
                o.error = "--keep-serial and --write-serial exclude each other";
                break;
            }
            o.serialChoice = arg == "--write-serial" ? 2 : 1;
        } else {
            const ValueOption* known = nullptr;
            for (const ValueOption& v : kValueOptions)
                if (arg == v.name)
                    known = &v;
            if (!known) {
                o.error = "unknown option '" + arg + "'";
                break;
            }
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    o.error = arg + " needs a value";
                    break;
                }
                value = args[++i];
            }
            if (!o.command.empty() && !accepts(known->commands, o.command)) {
                o.error = arg + " does not apply to '" + o.command + "'";
                break;
            }
            applyValue(o, known->name, value);
        }
    }
    if (!o.error.empty() || o.help || o.version)
        return o;
    if (o.command.empty()) {
        o.error = "no command given";
    } else if (o.json && o.command != "ports") {
        o.error = "--json applies to 'ports' only";
    } else if (o.list && o.command != "send") {
        o.error = "--list applies to 'send' only";
    } else if (o.command == "ports" || o.command == "info") {
        if (!o.arguments.empty())
            o.error = "'" + o.command + "' takes no arguments";
    } else if (o.command == "send") {
        if (o.list && !o.arguments.empty())
            o.error = "'send --list' takes no command names";
        else if (!o.list && o.arguments.empty())
            o.error = "'send' needs at least one command name (see 'korvane send --list')";
    } else if (o.command == "sd-upload") {
        if (o.arguments.size() != 1)
            o.error = "'sd-upload' takes one folder";
    } else if (o.serialChoice != 0 && o.command != "restore") {
        o.error = "--keep-serial and --write-serial apply to 'restore' only";
    } else if (o.command == "backup" || o.command == "compare" || o.command == "restore") {
        if (o.arguments.size() != 1)
            o.error = "'" + o.command + "' takes one settings file";
    } else if (o.command == "flash") {
        if (o.arguments.size() != 1)
            o.error = "'flash' takes one image file";
        else if (o.slot == 0)
            o.error = "'flash' needs --slot 1 to 8";
    }
    return o;
}

std::string programHelp()
{
    return R"(Usage: korvane COMMAND [OPTIONS] [ARGUMENTS]

Talks to the Korvane display over a serial port, as the window does, from a terminal or a script.

Commands:
  ports                 list the serial ports in the picker's order
  info                  greet the display, print its storage sizes, say goodbye
  send NAME...          send commands by name (see 'korvane send --list')
  sd-upload DIR         upload every file of DIR to the SD card
  flash --slot N FILE   load one image into flash slot N (1 to 8)
  backup FILE           save the display's four settings records in FILE
  compare FILE          list the fields in which the display differs from FILE
  restore FILE          write FILE's settings to the display and read them back

Options for the commands that talk to the display:
  --port PORT           COMn or a device path such as /dev/ttyUSB0; without it, the only port there is
  --link TYPE           uart (default), bluetooth or wifi, as the window's "Link type"
  --timeout SECONDS     how long to wait for the port and for each answer (default 10)
  --yes, -y             go on where the window would ask first
  --quiet, -q           no progress bar, only the result lines
  --verbose, -v         print a protocol trace (every frame, in hex, with its time and name) on stderr
  --log FILE            write the protocol trace to FILE
  --help, -h            this help, or a command's ('korvane sd-upload --help')
  --version             the program's version

Exit status: 0 all done; 1 some file or record failed; 2 usage, or refused without --yes;
3 the port cannot be opened or was lost; 4 the display did not answer in time; 130 stopped by Ctrl+C.

Examples:
  korvane ports
  korvane info --port COM3
  korvane sd-upload ./logos --to /logos/
  korvane flash --slot 8 logos.imz
  korvane backup car.json
  korvane restore --yes car.json
)";
}

std::string commandHelp(const std::string& command)
{
    if (command == "ports")
        return R"(Usage: korvane ports [--json]

Lists the serial ports in the order of the window's port picker: the port name, the device path
and, for a USB adapter, its product name. One port per line; --json prints one JSON array.

Examples:
  korvane ports
  korvane ports --json
)";
    if (command == "info")
        return R"(Usage: korvane info [--port PORT] [--link TYPE] [--timeout SECONDS]

Opens the port, greets the display, prints the sizes of Disk 0 to Disk 3 and of the SD card,
and says goodbye. Exits 3 when the port cannot be opened within --timeout seconds, 4 when the
display does not answer within them.

Examples:
  korvane info
  korvane info --port COM3 --link wifi
  korvane info --port /dev/ttyUSB0 --timeout 5 --verbose
)";
    if (command == "send")
        return R"(Usage: korvane send [--yes] NAME...
       korvane send --list

Sends commands of the window's catalogue that need no page values, by name, one after the other.
Commands that read a record print its bytes in hex. reset-service-records (0x37), reset-all-bc
(0x28) and erase-config (0x10) cannot be undone: they need --yes.

Examples:
  korvane send --list
  korvane send kl15-on
  korvane send read-config
  korvane send --yes reset-all-bc
)";
    if (command == "sd-upload")
        return R"(Usage: korvane sd-upload DIR [--to /FOLDER/] [--codepage N] [--yes]

Uploads every file of DIR, sorted by name, into the SD card folder given by --to (default /),
as "Load Packet" does: 250-byte blocks, each checked against the display's sum, names written
in the code page of the locale (1250 to 1254; --codepage to choose). Prints one line per file
with its result and exits 1 when any file failed. A name the display cannot be told (not in
the code page, or too long) is refused before anything is sent unless --yes is given; the file
then ends in its error.

Examples:
  korvane sd-upload ./logos --to /logos/
  korvane sd-upload ./sounds --to /snd/ --codepage 1251
)";
    if (command == "flash")
        return R"(Usage: korvane flash --slot N FILE [--yes]

Loads one image file into flash slot N, numbered 1 to 8 as the "Disk Image Loader" page shows
them, in 1024-byte blocks, each checked against the display's sum. A file larger than the disk
the display reports for slots 1 to 4, or a name other than the slot's usual one (sys.imz,
disk1.imz, disk2.imz, disk3.imz, fdisk.imz, backs.imz, diag.imz, logos.imz), is refused unless
--yes is given.

Examples:
  korvane flash --slot 1 sys.imz
  korvane flash --slot 8 --port COM3 logos.imz
)";
    if (command == "backup")
        return R"(Usage: korvane backup FILE

Reads the display's four settings records (configuration, extra coding, TurboTimer and
transmission) and saves them in FILE, the same JSON file the window's "Back up settings…"
writes: each record's raw bytes in hex and its fields with the pages' names. The file is written
through a temporary file, so a failed save never leaves half a file. Exits 1 when the file
cannot be written.

Examples:
  korvane backup car.json
  korvane backup --port COM3 /media/usb/car-2026-12-10.json
)";
    if (command == "compare")
        return R"(Usage: korvane compare FILE

Reads the display's four settings records and prints, field by field, where they differ from
FILE: a table of record, field, display and file. Nothing is written to the display. A file
that is not a settings file, of a newer version, or with a record of the wrong length or bad
hex is refused with its reason (exit 2) before the port is opened.

Examples:
  korvane compare car.json
  korvane compare --port /dev/ttyUSB0 car.json
)";
    if (command == "restore")
        return R"(Usage: korvane restore FILE [--yes] [--keep-serial | --write-serial]

Reads the display's settings, prints where they differ from FILE, and asks before writing
(on a terminal; without one it refuses unless --yes is given, and sends nothing). Before
writing it saves the display's records next to FILE (car-before-restore.json for car.json),
so the restore can be undone; then it writes each differing record as its save frame carries it,
reads all four back and compares them with FILE. A file of another display keeps this
display's serial number unless --write-serial is given. Exits 1 when a record came back
different, 2 when the file is bad or the restore was not confirmed.

Examples:
  korvane restore car.json
  korvane restore --yes car.json
  korvane restore --yes --write-serial other-display.json
)";
    return {};
}

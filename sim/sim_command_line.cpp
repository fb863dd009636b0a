#include "sim/sim_command_line.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "serial/port_links.h"
#include "sim/code_page.h"

namespace {

std::optional<long> parseNumber(std::string_view text, long min, long max)
{
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

// Two hexadecimal digits per byte, blanks, ':' and '-' allowed between bytes; exactly n bytes.
template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> parseHexRecord(std::string_view text)
{
    std::array<std::uint8_t, N> bytes{};
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ' ' || c == ':' || c == '-') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || count == N)
            return std::nullopt;
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (ec != std::errc() || end != text.data() + i + 2)
            return std::nullopt;
        bytes[count++] = static_cast<std::uint8_t>(value);
        i += 2;
    }
    if (count != N)
        return std::nullopt;
    return bytes;
}

std::string rangeError(const std::string& option, const std::string& value, long min, long max)
{
    return "invalid value '" + value + "' for " + option + ": expected a whole number from " + std::to_string(min) + " to "
        + std::to_string(max);
}

}  // namespace

std::string simUsage(const std::string& program)
{
    return "Usage: " + program
        + " [options]\n"
          "Simulates the display on a pseudo-terminal registered as a port link, so the shell\n"
          "can connect to it as to a serial port. Logs every frame it receives; stops on Ctrl+C.\n"
          "\n"
          "Options:\n"
          "  --port COM<n>          port link name (default COM3; with --tcp or --rfc2217 a link\n"
          "                         to the address is made only when --port is given)\n"
          "  --tcp <port>           serve over TCP instead, the bytes as they are (0: a free port)\n"
          "  --rfc2217 <port>       serve over TCP as an RFC 2217 bridge: the line settings the\n"
          "                         shell asks for are answered and logged (0: a free port)\n"
          "  --listen <address>     the address --tcp and --rfc2217 listen on (default 127.0.0.1)\n"
          "  --disk0 <MB> .. --disk3 <MB>\n"
          "                         size of one flash disk, 0 to 255, 0 = absent (default 0,10,10,0)\n"
          "  --disks <a,b,c,d>      the four disk sizes at once\n"
          "  --sd <MB>              SD card size, 0 to 4095, rounded down to a multiple of 16 (default 1024)\n"
          "  --config <hex>         the 26-byte configuration record the display starts with\n"
          "  --extra-coding <hex>   the 8-byte extra coding record\n"
          "  --turbo-timer <hex>    the 12-byte TurboTimer record (six 16-bit words, low byte first)\n"
          "  --transmission <hex>   the 12-byte transmission record (six 16-bit ratios, low byte first)\n"
          "                         hex: two digits per byte, blanks, ':' and '-' between them allowed\n"
          "  --split <n>            send every reply in n pieces with a pause between them\n"
          "  --delay <ms>           wait before every reply\n"
          "  --silent               never reply\n"
          "  --garbage <n>          send n stray bytes before every reply\n"
          "  --drop-after <n>       close the line after the n-th frame, then open a new one\n"
          "  --wrong-sum            answer blocks with a wrong sum\n"
          "  --transfers-only       the faults above strike only the frames of file transfers\n"
          "  --at <f>:<k>           the faults above strike only block k of the f-th file sent\n"
          "                         (SD and flash files counted together from 1; k = 0: every\n"
          "                         frame of that file; f = 0: every file); implies --transfers-only\n"
          "File transfers:\n"
          "  --sd-folder <dir>      the SD card's folder (default <runtime folder>/korvane/COM<n>/sd)\n"
          "  --flash-folder <dir>   the folder of the eight flash slot files sys.imz .. logos.imz\n"
          "                         (default <runtime folder>/korvane/COM<n>/flash)\n"
          "  --codepage <n>         code page of the SD file names, e.g. 1251 or 1252 (default: the\n"
          "                         one the shell takes for your locale: 1251 for ru_RU, 1252 for en_US)\n"
          "Line emulation:\n"
          "  --baud <n>             answer no faster than a line of n baud allows: a frame counts\n"
          "                         once its bytes could have crossed, answers take their time back\n"
          "                         (default: no emulation)\n"
          "  --frame <format>       the line's frame format, e.g. 8N2 (default), 8N1, 7E1, 8N1.5\n"
          "  --reply-latency <ms>   hold every answer this long after it crossed the line, as a USB\n"
          "                         adapter's latency timer does (default 0)\n"
          "  --raw-echo             control mode: no display; send every byte back through the line\n"
          "  --stats <file>         write the line records (lateness of every write against its due\n"
          "                         time, turnarounds) to the file on SIGUSR1 and when stopping\n"
          "  --quiet                do not log frames\n"
          "  --help                 show this help\n";
}

SimCommandLine parseSimCommandLine(const std::vector<std::string>& args)
{
    SimCommandLine cl;
    cl.server.registerLink = true;
    cl.server.recordBytes = false;        // a long session would only grow them
    cl.server.simulator.logLimit = 1000;  // frames are printed as they come
    auto& sim = cl.server.simulator;
    auto& failures = sim.failures;
    bool portGiven = false;

    for (std::size_t i = 0; i < args.size() && cl.error.empty() && !cl.help; ++i) {
        std::string option = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = option.substr(eq + 1);
            option.resize(eq);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            cl.error = "option " + option + " needs a value";
            return std::nullopt;
        };
        auto number = [&](long min, long max) -> std::optional<long> {
            const auto text = value();
            if (!text)
                return std::nullopt;
            const auto n = parseNumber(*text, min, max);
            if (!n)
                cl.error = rangeError(option, *text, min, max);
            return n;
        };
        auto noValue = [&] {
            if (inlineValue)
                cl.error = "option " + option + " takes no value";
        };

        if (option == "--help" || option == "-h") {
            cl.help = true;
        } else if (option == "--quiet") {
            noValue();
            cl.quiet = true;
        } else if (option == "--silent") {
            noValue();
            failures.enable(FailureMode::Silent);
        } else if (option == "--tcp" || option == "--rfc2217") {
            if (const auto n = number(0, 65535)) {
                cl.server.transport = option == "--tcp" ? SimTransport::Tcp : SimTransport::Rfc2217;
                cl.server.listenPort = static_cast<int>(*n);
            }
        } else if (option == "--listen") {
            if (const auto text = value()) {
                if (text->empty())
                    cl.error = "option --listen needs an address";
                else
                    cl.server.listenAddress = *text;
            }
        } else if (option == "--port") {
            portGiven = true;
            if (const auto text = value()) {
                const std::string_view digits = std::string_view(*text).substr(text->rfind("COM", 0) == 0 ? 3 : 0);
                if (const auto n = parseNumber(digits, 1, 255))
                    cl.server.portNumber = static_cast<int>(*n);
                else
                    cl.error = "invalid value '" + *text + "' for --port: expected COM1 to COM255";
            }
        } else if (option.size() == 7 && option.rfind("--disk", 0) == 0 && option[6] >= '0' && option[6] <= '3') {
            if (const auto n = number(0, 255))
                sim.volumes.diskMb[static_cast<std::size_t>(option[6] - '0')] = static_cast<std::uint8_t>(*n);
        } else if (option == "--disks") {
            if (const auto text = value()) {
                std::vector<std::string> parts(1);
                for (char c : *text) {
                    if (c == ',')
                        parts.emplace_back();
                    else
                        parts.back().push_back(c);
                }
                if (parts.size() != 4)
                    cl.error = "invalid value '" + *text + "' for --disks: expected four sizes a,b,c,d";
                for (std::size_t d = 0; d < parts.size() && cl.error.empty(); ++d) {
                    if (const auto n = parseNumber(parts[d], 0, 255))
                        sim.volumes.diskMb[d] = static_cast<std::uint8_t>(*n);
                    else
                        cl.error = "invalid value '" + *text + "' for --disks: each size must be 0 to 255";
                }
            }
        } else if (option == "--config" || option == "--extra-coding" || option == "--turbo-timer"
                   || option == "--transmission") {
            if (const auto text = value()) {
                auto take = [&]<std::size_t N>(std::array<std::uint8_t, N>& record) {
                    if (const auto bytes = parseHexRecord<N>(*text))
                        record = *bytes;
                    else
                        cl.error = "invalid value '" + *text + "' for " + option + ": expected " + std::to_string(N)
                            + " bytes in hexadecimal, two digits each";
                };
                auto& records = sim.records;
                if (option == "--config")
                    take(records.config);
                else if (option == "--extra-coding")
                    take(records.extraCoding);
                else if (option == "--turbo-timer")
                    take(records.turboTimer);
                else
                    take(records.transmission);
            }
        } else if (option == "--sd") {
            if (const auto n = number(0, 4095))
                sim.volumes.sdMb = static_cast<unsigned>(*n / 16 * 16);
        } else if (option == "--split") {
            if (const auto n = number(1, 1000)) {
                failures.splitPieces = static_cast<int>(*n);
                failures.enable(FailureMode::SplitReplies);
            }
        } else if (option == "--delay") {
            if (const auto n = number(0, 600000)) {
                failures.replyDelay = std::chrono::milliseconds(*n);
                failures.enable(FailureMode::DelayReplies);
            }
        } else if (option == "--garbage") {
            if (const auto n = number(1, 1000)) {
                failures.garbageBytes = static_cast<int>(*n);
                failures.enable(FailureMode::GarbageBeforeReply);
            }
        } else if (option == "--wrong-sum") {
            noValue();
            failures.enable(FailureMode::WrongSum);
        } else if (option == "--transfers-only") {
            noValue();
            failures.target.transfersOnly = true;
        } else if (option == "--at") {
            if (const auto text = value()) {
                const auto colon = text->find(':');
                const auto f = colon == std::string::npos ? std::nullopt : parseNumber(text->substr(0, colon), 0, 1000000);
                const auto k = colon == std::string::npos ? std::nullopt : parseNumber(text->substr(colon + 1), 0, 100000000);
                if (f && k)
                    failures.at(static_cast<int>(*f), static_cast<int>(*k));
                else
                    cl.error = "invalid value '" + *text + "' for --at: expected <file>:<block>, e.g. 2:3";
            }
        } else if (option == "--sd-folder" || option == "--flash-folder") {
            if (const auto text = value()) {
                if (text->empty())
                    cl.error = "option " + option + " needs a folder";
                else
                    (option == "--sd-folder" ? sim.storage.sdFolder : sim.storage.flashFolder) = *text;
            }
        } else if (option == "--codepage") {
            if (const auto n = number(1, 65535)) {
                if (codePageKnown(static_cast<int>(*n))) {
                    sim.storage.codePage = static_cast<int>(*n);
                    cl.codePageGiven = true;
                } else
                    cl.error = "code page " + std::to_string(*n) + " is not known to this system";
            }
        } else if (option == "--baud") {
            if (const auto n = number(1, 100000000))
                cl.server.line.baud = static_cast<unsigned>(*n);
        } else if (option == "--frame") {
            if (const auto text = value()) {
                if (const auto halfBits = parseFrameFormat(*text))
                    cl.server.line.halfBitsPerByte = *halfBits;
                else
                    cl.error = "invalid value '" + *text
                        + "' for --frame: expected data bits 5 to 8, parity N, E, O, M "
                          "or S, stop bits 1, 1.5 or 2, e.g. 8N2";
            }
        } else if (option == "--reply-latency") {
            if (const auto n = number(0, 10000))
                cl.server.replyLatency = std::chrono::milliseconds(*n);
        } else if (option == "--raw-echo") {
            noValue();
            cl.server.rawEcho = true;
        } else if (option == "--stats") {
            if (const auto text = value()) {
                if (text->empty())
                    cl.error = "option --stats needs a file";
                else
                    cl.statsFile = *text;
            }
        } else if (option == "--drop-after") {
            if (const auto n = number(1, 1000000)) {
                failures.dropAfterFrames = static_cast<int>(*n);
                failures.enable(FailureMode::DropLine);
            }
        } else {
            cl.error = "unknown option '" + args[i] + "'";
        }
    }
    if (cl.help || !cl.error.empty())
        return cl;
    if (cl.server.transport != SimTransport::Pty)
        cl.server.registerLink = portGiven;
    const std::filesystem::path own =
        std::filesystem::path(portLinksFolder()).parent_path() / ("COM" + std::to_string(cl.server.portNumber));
    if (sim.storage.sdFolder.empty())
        sim.storage.sdFolder = own / "sd";
    if (sim.storage.flashFolder.empty())
        sim.storage.flashFolder = own / "flash";
    return cl;
}

#include "sim/sim_command_line.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace {

std::optional<long> parseNumber(std::string_view text, long min, long max)
{
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::string rangeError(const std::string &option, const std::string &value, long min, long max)
{
    return "invalid value '" + value + "' for " + option + ": expected a whole number from " + std::to_string(min) +
           " to " + std::to_string(max);
}

} // namespace

std::string simUsage(const std::string &program)
{
    return "Usage: " + program + " [options]\n"
           "Simulates the display on a pseudo-terminal registered as a port link, so the shell\n"
           "can connect to it as to a serial port. Logs every frame it receives; stops on Ctrl+C.\n"
           "\n"
           "Options:\n"
           "  --port COM<n>          port link name (default COM3)\n"
           "  --disk0 <MB> .. --disk3 <MB>\n"
           "                         size of one flash disk, 0 to 255, 0 = absent (default 0,10,10,0)\n"
           "  --disks <a,b,c,d>      the four disk sizes at once\n"
           "  --sd <MB>              SD card size, 0 to 4095, rounded down to a multiple of 16 (default 1024)\n"
           "  --split <n>            send every reply in n pieces with a pause between them\n"
           "  --delay <ms>           wait before every reply\n"
           "  --silent               never reply\n"
           "  --garbage <n>          send n stray bytes before every reply\n"
           "  --drop-after <n>       close the line after the n-th frame, then open a new one\n"
           "  --quiet                do not log frames\n"
           "  --help                 show this help\n";
}

SimCommandLine parseSimCommandLine(const std::vector<std::string> &args)
{
    SimCommandLine cl;
    cl.server.registerLink = true;
    cl.server.recordBytes = false;        // a long session would only grow them
    cl.server.simulator.logLimit = 1000;  // frames are printed as they come
    auto &sim = cl.server.simulator;
    auto &failures = sim.failures;

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
        } else if (option == "--port") {
            if (const auto text = value()) {
                const std::string_view digits =
                    std::string_view(*text).substr(text->rfind("COM", 0) == 0 ? 3 : 0);
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
        } else if (option == "--drop-after") {
            if (const auto n = number(1, 1000000)) {
                failures.dropAfterFrames = static_cast<int>(*n);
                failures.enable(FailureMode::DropLine);
            }
        } else {
            cl.error = "unknown option '" + args[i] + "'";
        }
    }
    return cl;
}

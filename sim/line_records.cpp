#include "sim/line_records.h"

#include <cstdio>
#include <fstream>
#include <sstream>

std::int64_t LineRecords::latenessBetween(std::int64_t fromNs, std::int64_t toNs) const
{
    std::int64_t sum = 0;
    for (const WakeUpRecord& w : wakeUps)
        if (w.dueNs >= fromNs && w.dueNs <= toNs)
            sum += w.lateNs;
    return sum;
}

std::string formatLineRecords(const LineRecords& r)
{
    std::ostringstream out;
    out << "writes=" << r.writes << "\n"
        << "total_late_ns=" << r.totalLateNs << "\n"
        << "bytes_read=" << r.bytesRead << "\n"
        << "bytes_written=" << r.bytesWritten << "\n"
        << "wake_records=" << r.wakeUps.size() << "\n"
        << "turn_records=" << r.turnarounds.size() << "\n";
    for (const WakeUpRecord& w : r.wakeUps)
        out << "wake " << w.dueNs << ' ' << w.lateNs << '\n';
    for (const TurnaroundRecord& t : r.turnarounds)
        out << "turn " << t.answerWrittenNs << ' ' << t.nextReadNs << ' ' << t.answered << '\n';
    return out.str();
}

std::optional<LineRecords> parseLineRecords(const std::string& text)
{
    LineRecords r;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string word;
        fields >> word;
        if (word == "wake") {
            WakeUpRecord w;
            if (!(fields >> w.dueNs >> w.lateNs))
                return std::nullopt;
            r.wakeUps.push_back(w);
        } else if (word == "turn") {
            TurnaroundRecord t;
            if (!(fields >> t.answerWrittenNs >> t.nextReadNs >> t.answered))
                return std::nullopt;
            r.turnarounds.push_back(t);
        } else if (const auto eq = line.find('='); eq != std::string::npos) {
            const std::string name = line.substr(0, eq);
            const std::string value = line.substr(eq + 1);
            try {
                if (name == "writes")
                    r.writes = std::stoull(value);
                else if (name == "total_late_ns")
                    r.totalLateNs = std::stoll(value);
                else if (name == "bytes_read")
                    r.bytesRead = std::stoull(value);
                else if (name == "bytes_written")
                    r.bytesWritten = std::stoull(value);
            } catch (const std::exception&) {
                return std::nullopt;
            }
        } else if (!line.empty()) {
            return std::nullopt;
        }
    }
    return r;
}

bool writeLineRecordsFile(const std::filesystem::path& path, const LineRecords& records)
{
    const std::filesystem::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << formatLineRecords(records);
        if (!out.flush())
            return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

std::optional<LineRecords> readLineRecordsFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return parseLineRecords(text.str());
}

#include "serial/port_enumeration.h"

#include <cctype>
#include <climits>

namespace {
bool IsSpaceOrControl(unsigned char c) { return c <= ' ' || c == 0x7F; }
}  // namespace

std::string TrimSpacesAndControls(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsSpaceOrControl(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && IsSpaceOrControl(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string NormalizePortLabel(const std::string& s)
{
    std::string t = TrimSpacesAndControls(s);
    for (char& c : t)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return t;
}

bool ParsePortInteger(const std::string& s, int32_t& value)
{
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    if (i == s.size())
        return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        v = -v;
    if (v > INT32_MAX || v < INT32_MIN)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

void AddOrdered(std::vector<TnrNameListEntry>& list, const std::string& text, int32_t number)
{
    for (const TnrNameListEntry& e : list)
        if (e.text == text)
            return;
    if (list.empty() || list.back().number < number) {
        list.push_back(TnrNameListEntry{text, number});
        return;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].number > number) {
            list.insert(list.begin() + static_cast<long>(i), TnrNameListEntry{text, number});
            return;
        }
    }
    // the last entry has the same number: not added
}

std::vector<TnrNameListEntry> ReadSerialDeviceMap(const std::vector<TnrPortMapEntry>& map)
{
    std::vector<TnrNameListEntry> list;
    for (const TnrPortMapEntry& value : map) {
        // a value whose name or data does not fit ends the scan
        if (value.kernelName.size() > kMaxMapValueName || value.portName.size() > kMaxMapValueData)
            break;
        const std::string s = NormalizePortLabel(value.portName);
        if (s.rfind("COM", 0) != 0)
            continue;
        bool listed = false;
        for (const TnrNameListEntry& e : list)
            if (e.Label() == s)
                listed = true;
        if (listed)
            continue;
        int32_t n = 0;
        if (!ParsePortInteger(s.substr(3), n))
            continue;
        AddOrdered(list, s + "=" + value.kernelName, n);
    }
    return list;
}

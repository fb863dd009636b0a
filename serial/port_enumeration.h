#pragma once
// Reading the port map into the ordered name list (label=value name, port number).
#include <string>
#include <vector>

#include "serial/port_map.h"

struct TnrNameListEntry {
    std::string text;  // label "=" value name
    int32_t number = 0;
    std::string Label() const { return text.substr(0, text.find('=')); }
    std::string ValueName() const
    {
        auto p = text.find('=');
        return p == std::string::npos ? "" : text.substr(p + 1);
    }
};

// The longest value name and data the enumeration reads; a longer one ends the scan.
inline constexpr size_t kMaxMapValueName = 128;
inline constexpr size_t kMaxMapValueData = 129;

// Upper case, without leading and trailing spaces and control characters.
std::string NormalizePortLabel(const std::string& s);
// Trims leading and trailing spaces and control characters.
std::string TrimSpacesAndControls(const std::string& s);
// Reads an integer written as an optional sign and decimal digits; false otherwise.
bool ParsePortInteger(const std::string& s, int32_t& value);
// Ordered addition of an entry to the name list.
void AddOrdered(std::vector<TnrNameListEntry>& list, const std::string& text, int32_t number);
// Builds the name list from the map's entries.
std::vector<TnrNameListEntry> ReadSerialDeviceMap(const std::vector<TnrPortMapEntry>& map);

#include "serial/port_map_registry_win32.h"

#include <memory>

// After the component's headers: the system's headers define the event and error names as macros.
#include <windows.h>

namespace {

constexpr DWORD kNameRoom = 129;  // characters, the terminator included
constexpr DWORD kDataRoom = 260;  // bytes: 129 characters and the terminator

std::string Utf8(const wchar_t* text, size_t length)
{
    if (length == 0)
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

TnrRegistryPortMap::TnrRegistryPortMap() : TnrRegistryPortMap(Root::LocalMachine, L"HARDWARE\\DEVICEMAP\\SERIALCOMM") {}

TnrRegistryPortMap::TnrRegistryPortMap(Root root, std::wstring subKey) : root_(root), subKey_(std::move(subKey)) {}

std::vector<TnrPortMapEntry> TnrRegistryPortMap::Entries() const
{
    std::vector<TnrPortMapEntry> entries;
    HKEY key = nullptr;
    const HKEY root = root_ == Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    if (RegOpenKeyExW(root, subKey_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return entries;  // no map
    for (DWORD index = 0;; ++index) {
        wchar_t name[kNameRoom];
        DWORD nameLength = kNameRoom;
        // room for the text and one more terminator, so that text stored without one still ends
        wchar_t data[kDataRoom / sizeof(wchar_t) + 1] = {};
        DWORD dataSize = kDataRoom;
        DWORD type = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize)
            != ERROR_SUCCESS)
            break;  // the end of the values, or one that does not fit
        size_t textLength = 0;
        while (textLength < dataSize / sizeof(wchar_t) && data[textLength] != L'\0')
            ++textLength;
        entries.push_back(TnrPortMapEntry{Utf8(name, nameLength), Utf8(data, textLength)});
    }
    RegCloseKey(key);
    return entries;
}

std::string TnrRegistryPortMap::ListedPath(const TnrPortMapEntry& entry) const { return "\\\\.\\" + entry.portName; }

std::string TnrRegistryPortMap::HardwarePath(uint32_t portNo) const { return "\\\\.\\COM" + std::to_string(portNo); }

std::shared_ptr<TnrPortMapSource> MakeSystemPortMap() { return std::make_shared<TnrRegistryPortMap>(); }

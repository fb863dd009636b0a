// The programs a user starts carry what Explorer shows: the version in "Details" and an icon.
// Usage: test_program_resources PROGRAM.exe... (gtest's own options first).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

namespace {

std::vector<std::wstring> gPrograms;

// The resource types, as the wide calls take them (RT_GROUP_ICON and RT_MANIFEST are the narrow ones here).
const LPCWSTR kGroupIcon = MAKEINTRESOURCEW(14);
const LPCWSTR kManifest = MAKEINTRESOURCEW(24);

// The program's FileVersion string, as Explorer reads it; empty when it has none.
std::wstring FileVersion(const std::wstring& program)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<char> info(size);
    if (!GetFileVersionInfoW(program.c_str(), 0, size, info.data()))
        return {};
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length)
        || length < sizeof(Translation))
        return {};
    wchar_t key[64];
    swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", translations[0].language, translations[0].codePage);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(info.data(), key, reinterpret_cast<void**>(&value), &length) || length == 0)
        return {};
    return std::wstring(value);
}

BOOL CALLBACK CountName(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// How many resources of the type the program holds; -1 when it cannot be read.
int ResourceCount(const std::wstring& program, LPCWSTR type)
{
    const HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        return -1;
    int count = 0;
    EnumResourceNamesW(module, type, CountName, reinterpret_cast<LONG_PTR>(&count));
    FreeLibrary(module);
    return count;
}

// A command-line argument or the version, from the system's code page.
std::wstring Wide(const char* text)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(ProgramResources, EachProgramCarriesTheProjectsVersionAnIconAndAManifest)
{
    ASSERT_FALSE(gPrograms.empty()) << "name the programs to look at";
    for (const std::wstring& program : gPrograms) {
        SCOPED_TRACE(Narrow(program));
        EXPECT_EQ(FileVersion(program), Wide(KORVANE_VERSION));
        EXPECT_GE(ResourceCount(program, kGroupIcon), 1);
        EXPECT_EQ(ResourceCount(program, kManifest), 1);
    }
}

// The checks see the lack of them in a program built without them: this test program.
TEST(ProgramResources, AProgramWithoutResourcesIsSeenToLackThem)
{
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    EXPECT_EQ(FileVersion(self), L"");
    EXPECT_EQ(ResourceCount(self, kGroupIcon), 0);
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        gPrograms.push_back(Wide(argv[i]));
    return RUN_ALL_TESTS();
}

#pragma once
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

// Points XDG_RUNTIME_DIR at a fresh private folder for the life of the object, so that port
// links made by a test never touch a real user's links.
class RuntimeDirGuard {
public:
    RuntimeDirGuard()
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            old_ = old;
        std::string pattern = (std::filesystem::temp_directory_path() / "korvane-sim-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            dir_ = pattern;
        ::chmod(dir_.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    }
    RuntimeDirGuard(const RuntimeDirGuard&) = delete;
    RuntimeDirGuard& operator=(const RuntimeDirGuard&) = delete;
    ~RuntimeDirGuard()
    {
        if (old_)
            ::setenv("XDG_RUNTIME_DIR", old_->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        std::error_code ec;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_, ec);
    }
    const std::string& path() const { return dir_; }

private:
    std::string dir_;
    std::optional<std::string> old_;
};

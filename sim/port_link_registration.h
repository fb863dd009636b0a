#pragma once
#include <string>

// A port link COM<n> in the per-user port links folder, pointing at a tty, that lives as
// long as this object. A link left behind by a run that died (its target gone) is
// replaced; a link to a device that exists is never touched.
class PortLinkRegistration {
public:
    PortLinkRegistration() = default;
    PortLinkRegistration(const PortLinkRegistration&) = delete;
    PortLinkRegistration& operator=(const PortLinkRegistration&) = delete;
    ~PortLinkRegistration();

    // Creates the link; throws std::runtime_error with a message for the user when it cannot.
    void create(int portNumber, const std::string& target);
    // Points the existing link at a new target (after the line was dropped and reopened).
    void retarget(const std::string& target);
    // Removes the link if it still points at our target.
    void remove();

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string target_;
};

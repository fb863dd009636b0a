#pragma once
#include <string_view>

// Read access to the window's controls by their names, for the steps and handlers that take a
// parameter from a control at the moment they run. Implemented by the window.
class ControlValues {
public:
    virtual ~ControlValues() = default;
    // The spin edit's value: its text as an integer clamped to its limits, or its minimum
    // when the text is not a number.
    virtual int spinValue(std::string_view name) const = 0;
};

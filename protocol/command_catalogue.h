#pragma once
#include <cstdint>
#include <span>
#include <string_view>

class ProtocolLoop;
class ControlValues;

// Where a command's parameter byte comes from.
enum class ParamKind {
    None,             // A6 01 code
    Constant,         // A6 02 code value
    SpinValue,        // A6 02 code <value of the spin edit named in source>
    MirrorDirection,  // A6 02 code <direction bit in value, plus the side of the radio group in source>
    TickedCode,       // A6 01 code, where code is `value` when the check box in source is ticked
                      // after the click and `code` when it is clear
    PageRecord,       // A6 L code <payload>: the page's own handler builds the record in the payload
                      // buffer, then stores the row's state and code (a save the page must check first)
};

// One row of the command catalogue: which control, which handler, which protocol state and
// command code, and where the parameter comes from.
struct CommandControl {
    const char* control;  // the control's name, e.g. "Button50"
    const char* caption;  // its caption as the user sees it
    const char* handler;  // the handler's name, e.g. "Button50Click"
    int32_t state;        // the send state the handler stores
    uint8_t code;         // the command code
    ParamKind param = ParamKind::None;
    int value = 0;
    const char* source = nullptr;
};

// Every control of the window that sends a command frame (the command catalogue).
std::span<const CommandControl> commandControls();
// The row of a control, or nullptr.
const CommandControl* findCommandControl(std::string_view control);

// The handler of a catalogue control: stores the code, the parameter (read from the controls
// now) and the state in the loop. Sends nothing; the loop's next pass does.
void issueCommand(ProtocolLoop& loop, const CommandControl& spec, const ControlValues& controls);

// Registers the generic send states (bare, with a parameter, with the payload, the reads and
// the gamma commands without a table) in the loop.
void registerCommandStates(ProtocolLoop& loop);

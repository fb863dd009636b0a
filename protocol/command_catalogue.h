#pragma once
#include <cstdint>
#include <span>
#include <string_view>

class ProtocolLoop;

// Where a command's parameter byte comes from.
enum class ParamKind {
    None,             // A6 01 code
    Constant,         // A6 02 code value
    SpinValue,        // A6 02 code <the value of the page's spin edit beside the button>
    MirrorDirection,  // A6 02 code <direction bit in value, plus the mirror side the page's radio group picks>
    TickedCode,       // A6 01 code, where code is `value` when the check box is ticked after the
                      // click and `code` when it is clear
    PageRecord,       // A6 L code <payload>: the page's own handler builds the record in the payload
                      // buffer, then stores the row's state and code (a save the page must check first)
};

// One row of the command catalogue: which control, which handler, which protocol state and
// command code, and where the parameter comes from. The control's name is the row's key (the
// window and the command line find rows by it).
struct CommandControl {
    const char* control;  // the key, e.g. "Button50"
    const char* caption;  // its caption as the user sees it
    const char* handler;  // the handler's name, e.g. "Button50Click"
    int32_t state;        // the send state the handler stores
    uint8_t code;         // the command code
    ParamKind param = ParamKind::None;
    int value = 0;
};

// Every control of the window that sends a command frame (the command catalogue).
std::span<const CommandControl> commandControls();
// The row of a control, or nullptr.
const CommandControl* findCommandControl(std::string_view control);

// The handler of a catalogue control: stores the code, the parameter and the state in the loop.
// `input` is what the page that owns the control reads from it at the press: the spin edit's
// value (SpinValue), the radio group's item index, -1 for none (MirrorDirection), 1 when the
// check box is ticked and 0 when clear (TickedCode); the other kinds ignore it. Sends nothing; the
// loop's next pass does.
void issueCommand(ProtocolLoop& loop, const CommandControl& spec, int input = 0);

// Registers the generic send states (bare, with a parameter, with the payload, the reads and
// the gamma commands without a table) in the loop.
void registerCommandStates(ProtocolLoop& loop);

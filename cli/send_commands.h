#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct CommandControl;
class ProtocolLoop;

// A catalogue command that needs no page values, under a stable name for scripts.
struct SendCommand {
    const char* name;     // "reboot", "kl15-on", "read-config" ...
    const char* control;  // the catalogue's control that sends it
    bool ticked = false;  // the check box's code when ticked ("kl 15" on)
};

std::span<const SendCommand> sendCommands();
const SendCommand* findSendCommand(std::string_view name);
const CommandControl& controlOf(const SendCommand& command);

// The command code the frame carries.
uint8_t commandCodeOf(const SendCommand& command);
// The frame as it goes on the line: A6 L code [parameter].
std::vector<uint8_t> frameOf(const SendCommand& command);
// Commands that cannot be undone: the window asks before them.
bool isGuarded(const SendCommand& command);
// Bytes of the reply the command draws (the record's reply with its two leading bytes), 0 for none.
uint32_t replyLength(const SendCommand& command);

// Stores the command in the loop as its button's handler does.
void storeSendCommand(ProtocolLoop& loop, const SendCommand& command);

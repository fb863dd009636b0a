#pragma once
#include <cstdint>

#include "protocol/protocol_states.h"
#include "settings/config_record.h"
#include "settings/extra_coding.h"
#include "settings/transmission.h"
#include "settings/turbo_timer.h"

#include <array>
#include <span>

class ProtocolLoop;

// What the settings replies show on the window's pages. Implemented by the window.
class SettingsPages {
public:
    virtual ~SettingsPages() = default;
    virtual void showConfig(const ConfigView& view) = 0;
    virtual void showExtraCoding(const ExtraCodingView& view) = 0;
    virtual void showTurboTimer(const TurboTimerView& view) = 0;
    // Sets the ratio box of gear 1..6 (its change handler moves the speed box).
    virtual void showTransmissionRatio(int gear, int ratio) = 0;
    // What the saves send, read from their pages at the moment they send: the TurboTimer
    // record (flags 1 or 0) and the ratio of gears 1 to 6.
    virtual TurboTimerRecord turboTimerToSave() const = 0;
    virtual std::array<int, kGears> transmissionRatios() const = 0;
};

// What the shell remembers of the display's settings between a reply and a save, for the whole
// run of the program: the last configuration record (a save sends its byte 19 back) and bytes 5
// and 6 of the last extra coding record.
struct SettingsMemory {
    ConfigRecord configCopy = decodeConfig(ConfigBytes{});
    uint8_t extraByte5 = 0;
    uint8_t extraByte6 = 0;
};

// Reply lengths after the mark: two leading bytes, then the record.
inline constexpr uint32_t kConfigReplyLength = State::replyLength(State::kConfigReply);
inline constexpr uint32_t kExtraCodingReplyLength = State::replyLength(State::kExtraReply);
inline constexpr uint32_t kTurboTimerReplyLength = State::replyLength(State::kTurboTimerReply);
inline constexpr uint32_t kTransmissionReplyLength = State::replyLength(State::kTransmissionReply);

// "Save Config" and "Save Extra Encode": put the record into the payload buffer (record byte k in
// entry k + 1) and store the save's state and code.
void storeConfigSave(ProtocolLoop& loop, SettingsMemory& memory, const ConfigRecord& record);
void storeExtraCodingSave(ProtocolLoop& loop, const ExtraCodingRecord& record);

// What a read does once a record's bytes are in (after the reply's two leading bytes): the record
// goes where a page's own "Read" puts it (payload buffer, the remembered bytes) and onto its page.
void takeConfigRecord(ProtocolLoop& loop, SettingsPages& pages, SettingsMemory& memory,
                      std::span<const uint8_t, kConfigRecordSize> bytes);
void takeExtraCodingRecord(ProtocolLoop& loop, SettingsPages& pages, SettingsMemory& memory,
                           std::span<const uint8_t, kExtraCodingSize> bytes);
void takeTurboTimerRecord(SettingsPages& pages, std::span<const uint8_t, kTurboTimerSize> bytes);
void takeTransmissionRecord(SettingsPages& pages, std::span<const uint8_t, kTransmissionReplySize> ratios);

// Registers the settings states: the replies 64, 65, 164 and 167, and the sends 162 and 165,
// which read their pages as they send.
void registerSettingsStates(ProtocolLoop& loop, SettingsPages& pages, SettingsMemory& memory);

#include "settings/settings_states.h"

#include "protocol/command_catalogue.h"
#include "protocol/protocol_loop.h"
#include "protocol/protocol_states.h"
#include "settings/transmission.h"

#include <array>

namespace {

using Result = ProtocolLoop::StepResult;

constexpr uint8_t kFrameMarker = 0xA6;
constexpr uint8_t kTurboTimerLengthByte = 0x0D;

// Reads the two leading bytes of a reply and drops them, then the record.
template <size_t N>
std::array<uint8_t, N> readRecord(ProtocolLoop& loop)
{
    loop.readByte();
    loop.readByte();
    std::array<uint8_t, N> bytes{};
    for (uint8_t& b : bytes)
        b = loop.readByte();
    return bytes;
}

Result configReply(ProtocolLoop& loop, SettingsPages& pages, SettingsMemory& memory)
{
    if (!loop.replyArrived(kConfigReplyLength))
        return Result::WaitForInput;
    takeConfigRecord(loop, pages, memory, readRecord<kConfigRecordSize>(loop));
    loop.advance(State::kIdle);
    return Result::Acted;
}

Result extraCodingReply(ProtocolLoop& loop, SettingsPages& pages, SettingsMemory& memory)
{
    if (!loop.replyArrived(kExtraCodingReplyLength))
        return Result::WaitForInput;
    takeExtraCodingRecord(loop, pages, memory, readRecord<kExtraCodingSize>(loop));
    loop.advance(State::kIdle);
    return Result::Acted;
}

Result turboTimerReply(ProtocolLoop& loop, SettingsPages& pages)
{
    if (!loop.replyArrived(kTurboTimerReplyLength))
        return Result::WaitForInput;
    takeTurboTimerRecord(pages, readRecord<kTurboTimerSize>(loop));
    loop.advance(State::kIdle);
    return Result::Acted;
}

Result transmissionReply(ProtocolLoop& loop, SettingsPages& pages)
{
    if (!loop.replyArrived(kTransmissionReplyLength))
        return Result::WaitForInput;
    takeTransmissionRecord(pages, readRecord<kTransmissionReplySize>(loop));
    loop.advance(State::kIdle);
    return Result::Acted;
}

// The TurboTimer and transmission saves: the head, then the controls' bytes, read as they go.
Result sendHeadAndBytes(ProtocolLoop& loop, uint8_t lengthByte, const auto& readControls)
{
    loop.beginRequest();
    loop.sendByte(kFrameMarker);
    loop.sendByte(lengthByte);
    loop.sendByte(loop.commandCode());
    loop.sendBytes(readControls());
    loop.advance(State::kIdle);
    return Result::Acted;
}

}  // namespace

void takeConfigRecord(ProtocolLoop& loop, SettingsPages& pages, SettingsMemory& memory,
                      std::span<const uint8_t, kConfigRecordSize> bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i)
        loop.setPayload(static_cast<int>(i) + 1, bytes[i]);
    memory.configCopy = decodeConfig(bytes);
    pages.showConfig(configView(memory.configCopy));
}

void takeExtraCodingRecord(ProtocolLoop& loop, SettingsPages& pages, SettingsMemory& memory,
                           std::span<const uint8_t, kExtraCodingSize> bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i)
        loop.setPayload(static_cast<int>(i) + 1, bytes[i]);
    const ExtraCodingRecord record = decodeExtraCoding(bytes);
    memory.extraByte5 = record.byte5;
    memory.extraByte6 = record.byte6;
    pages.showExtraCoding(extraCodingView(record));
}

void takeTurboTimerRecord(SettingsPages& pages, std::span<const uint8_t, kTurboTimerSize> bytes)
{
    pages.showTurboTimer(turboTimerView(decodeTurboTimer(bytes)));
}

void takeTransmissionRecord(SettingsPages& pages, std::span<const uint8_t, kTransmissionReplySize> ratios)
{
    for (int gear = 1; gear <= kGears; ++gear)
        pages.showTransmissionRatio(gear, ratios[static_cast<size_t>(gear - 1)]);
}

void storeConfigSave(ProtocolLoop& loop, SettingsMemory& memory, const ConfigRecord& record)
{
    memory.configCopy = record;
    const ConfigBytes bytes = encodeConfig(record);
    for (size_t i = 0; i < bytes.size(); ++i)
        loop.setPayload(static_cast<int>(i) + 1, bytes[i]);
    if (const CommandControl* row = findCommandControl("BitBtn23"))
        loop.request(row->state, row->code);
}

void storeExtraCodingSave(ProtocolLoop& loop, const ExtraCodingRecord& record)
{
    const ExtraCodingBytes bytes = encodeExtraCoding(record);
    for (size_t i = 0; i < bytes.size(); ++i)
        loop.setPayload(static_cast<int>(i) + 1, bytes[i]);
    if (const CommandControl* row = findCommandControl("BitBtn29"))
        loop.request(row->state, row->code);
}

void registerSettingsStates(ProtocolLoop& loop, SettingsPages& pages, SettingsMemory& memory)
{
    loop.registerStep(State::kConfigReply, [&loop, &pages, &memory] { return configReply(loop, pages, memory); });
    loop.registerStep(State::kExtraReply, [&loop, &pages, &memory] { return extraCodingReply(loop, pages, memory); });
    loop.registerStep(State::kTurboTimerReply, [&loop, &pages] { return turboTimerReply(loop, pages); });
    loop.registerStep(State::kTransmissionReply, [&loop, &pages] { return transmissionReply(loop, pages); });
    loop.registerStep(State::kSendTurboTimer, [&loop, &pages] {
        return sendHeadAndBytes(loop, kTurboTimerLengthByte, [&pages] { return encodeTurboTimer(pages.turboTimerToSave()); });
    });
    loop.registerStep(State::kSendTransmission, [&loop, &pages] {
        return sendHeadAndBytes(loop, kTransmissionLengthByte,
                                [&pages] { return encodeTransmissionSave(pages.transmissionRatios()); });
    });
}

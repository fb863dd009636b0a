#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Sizes of the display's storage volumes, as the size reply reports them.
struct VolumeSizes {
    std::array<std::uint8_t, 4> diskMb{0, 10, 10, 0};  // Disk 0..3, 0 = absent
    unsigned sdMb = 1024;                              // SD card; the reply carries it divided by 16
};

// The three gamma tables of the display, one per LCD controller family; they share command
// code 0x1E and are told apart by their length.
enum class GammaTable : std::size_t { A = 0, B = 1, C = 2 };  // 12, 30 and 34 bytes
inline constexpr std::array<std::size_t, 3> kGammaTableLengths{12, 30, 34};

inline constexpr std::size_t kConfigRecordLength = 26;
inline constexpr std::size_t kExtraCodingLength = 8;
inline constexpr std::size_t kTurboTimerLength = 12;
inline constexpr std::size_t kTransmissionLength = 12;  // six 16-bit words as the save frame carries them

// What the display remembers and what it has been asked to do: the records it keeps in
// memory, the last values of the remote controls, and counters of the frames it took.
struct DisplayState {
    VolumeSizes volumes;

    int hellos = 0;
    int goodbyes = 0;
    int garbageBytes = 0;                  // bytes outside any frame, skipped one by one
    std::array<int, 256> commandCounts{};  // command frames taken, by command code

    int brightness = 100;
    bool kl15On = false;
    int doors = 0;
    std::optional<std::uint8_t> lastMirrorMove;
    int reboots = 0;
    bool turboTimerRunning = false;
    bool asleep = false;

    std::array<std::vector<std::uint8_t>, 3> gammaTables = factoryGammaTables();
    std::array<int, 3> gammaTableWrites{};
    int gammaSaves = 0;
    int gammaDefaults = 0;

    std::array<std::uint8_t, kConfigRecordLength> config = factoryConfig();
    std::array<std::uint8_t, kExtraCodingLength> extraCoding = factoryExtraCoding();
    std::array<std::uint8_t, kTurboTimerLength> turboTimer = factoryTurboTimer();
    std::array<std::uint8_t, kTransmissionLength> transmission = factoryTransmission();

    const std::vector<std::uint8_t>& gamma(GammaTable table) const { return gammaTables[static_cast<std::size_t>(table)]; }

    static std::array<std::vector<std::uint8_t>, 3> factoryGammaTables();
    static std::array<std::uint8_t, kConfigRecordLength> factoryConfig();
    static std::array<std::uint8_t, kExtraCodingLength> factoryExtraCoding();
    static std::array<std::uint8_t, kTurboTimerLength> factoryTurboTimer();
    static std::array<std::uint8_t, kTransmissionLength> factoryTransmission();
};

// The starting values of the four settings records: the factory values unless the command line
// or a test sets others.
struct SettingsRecords {
    std::array<std::uint8_t, kConfigRecordLength> config = DisplayState::factoryConfig();
    std::array<std::uint8_t, kExtraCodingLength> extraCoding = DisplayState::factoryExtraCoding();
    std::array<std::uint8_t, kTurboTimerLength> turboTimer = DisplayState::factoryTurboTimer();
    std::array<std::uint8_t, kTransmissionLength> transmission = DisplayState::factoryTransmission();
};

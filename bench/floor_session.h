#pragma once
// The floor client's runs against korvane-sim: the same frames as the shell's, for the
// benchmarks' "*_floor_*" figures and the ratios over them.
#include "sim/line_records.h"

#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

struct FloorPhase {
    bool ok = false;
    int64_t startNs = 0;
    int64_t endNs = 0;
    double seconds() const { return double(endNs - startNs) / 1e9; }
};

struct FloorSessionResult {
    bool ok = false;
    FloorPhase sd, flash;
    LineRecords records;
};

// One file to the SD card as "/<name>", then the same bytes as a flash image into slot 4.
FloorSessionResult runFloorSession(const QTemporaryDir& work, int port, const QStringList& simArgs,
                                   const std::vector<uint8_t>& data);
// A batch of SD files, each as "/<name>"; the phase covers the whole batch.
FloorSessionResult runFloorSdBatch(const QTemporaryDir& work, int port, const QStringList& simArgs, const QStringList& names,
                                   const std::vector<uint8_t>& data);

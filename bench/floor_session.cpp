#include "bench/floor_session.h"

#include "bench/floor_client.h"
#include "bench/sim_process.h"
#include "sim/line_emulation.h"

#include <cstdio>
#include <optional>

namespace {
std::optional<LineRecords> stopped(SimProcess& sim, FloorSessionResult& result)
{
    std::optional<LineRecords> records = sim.stop();
    if (records)
        result.records = *records;
    return records;
}
}  // namespace

FloorSessionResult runFloorSession(const QTemporaryDir& work, int port, const QStringList& simArgs,
                                   const std::vector<uint8_t>& data)
{
    FloorSessionResult result;
    SimProcess sim;
    if (!sim.start(work, port, simArgs)) {
        std::fprintf(stderr, "floor: the simulator did not start\n");
        return result;
    }
    {
        FloorClient client(sim.link.toStdString());
        result.sd.startNs = steadyNowNs();
        result.sd.ok = client.sendSdFile("/floor.bin", data);
        result.sd.endNs = steadyNowNs();
        result.flash.startNs = steadyNowNs();
        result.flash.ok = result.sd.ok && client.sendFlashImage(4, data);
        result.flash.endNs = steadyNowNs();
    }
    result.ok = stopped(sim, result) && result.sd.ok && result.flash.ok;
    if (!result.ok)
        std::fprintf(stderr, "floor: the session failed\n");
    return result;
}

FloorSessionResult runFloorSdBatch(const QTemporaryDir& work, int port, const QStringList& simArgs,
                                   const QStringList& names, const std::vector<uint8_t>& data)
{
    FloorSessionResult result;
    SimProcess sim;
    if (!sim.start(work, port, simArgs)) {
        std::fprintf(stderr, "floor: the simulator did not start\n");
        return result;
    }
    {
        FloorClient client(sim.link.toStdString());
        result.sd.ok = client.isOpen();
        result.sd.startNs = steadyNowNs();
        for (const QString& name : names) {
            if (!client.sendSdFile("/" + name.toStdString(), data)) {
                result.sd.ok = false;
                break;
            }
        }
        result.sd.endNs = steadyNowNs();
    }
    result.ok = stopped(sim, result) && result.sd.ok;
    if (!result.ok)
        std::fprintf(stderr, "floor: the batch failed\n");
    return result;
}

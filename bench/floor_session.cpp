#include "bench/floor_session.h"

#include "bench/floor_client.h"
#include "bench/sim_process.h"
#include "sim/line_emulation.h"

#include <cstdio>
#include <optional>

namespace {
// Starts the simulator, lets session talk to it through a floor client on its link, stops it and
// keeps its line records. session fills in the phases and says whether they went well.
template <typename Session>
FloorSessionResult withSimulator(const QTemporaryDir& work, int port, const QStringList& simArgs, const char* what,
                                 Session&& session)
{
    FloorSessionResult result;
    SimProcess sim;
    if (!sim.start(work, port, simArgs)) {
        std::fprintf(stderr, "floor: the simulator did not start\n");
        return result;
    }
    bool ok = false;
    {
        FloorClient client(sim.link.toStdString());
        ok = session(client, result);
    }
    std::optional<LineRecords> records = sim.stop();
    if (records)
        result.records = *records;
    result.ok = records.has_value() && ok;
    if (!result.ok)
        std::fprintf(stderr, "floor: the %s failed\n", what);
    return result;
}
}  // namespace

FloorSessionResult runFloorSession(const QTemporaryDir& work, int port, const QStringList& simArgs,
                                   const std::vector<uint8_t>& data)
{
    return withSimulator(work, port, simArgs, "session", [&](FloorClient& client, FloorSessionResult& result) {
        result.sd.startNs = steadyNowNs();
        result.sd.ok = client.sendSdFile("/floor.bin", data);
        result.sd.endNs = steadyNowNs();
        result.flash.startNs = steadyNowNs();
        result.flash.ok = result.sd.ok && client.sendFlashImage(4, data);
        result.flash.endNs = steadyNowNs();
        return result.sd.ok && result.flash.ok;
    });
}

FloorSessionResult runFloorSdBatch(const QTemporaryDir& work, int port, const QStringList& simArgs, const QStringList& names,
                                   const std::vector<uint8_t>& data)
{
    return withSimulator(work, port, simArgs, "batch", [&](FloorClient& client, FloorSessionResult& result) {
        result.sd.ok = client.isOpen();
        result.sd.startNs = steadyNowNs();
        for (const QString& name : names) {
            if (!client.sendSdFile("/" + name.toStdString(), data)) {
                result.sd.ok = false;
                break;
            }
        }
        result.sd.endNs = steadyNowNs();
        return result.sd.ok;
    });
}

#pragma once
// The simulator's display at the far end of a fake line: what the simulator process serves on a
// pseudo-terminal, without the pseudo-terminal.
#include "sim/display_simulator.h"
#include "tests/support/fake_display_line.h"

class SimulatorFarEnd : public FarEnd {
public:
    explicit SimulatorFarEnd(SimulatorOptions options = {}) : simulator_(std::move(options)) {}

    std::vector<Reply> take(std::span<const uint8_t> bytes) override
    {
        std::vector<Reply> replies;
        for (OutputStep& step : simulator_.feed(bytes))
            replies.push_back({step.pauseBefore, std::move(step.bytes), step.dropLine});
        return replies;
    }
    void newLine() override { simulator_.startLine(); }

    DisplaySimulator& simulator() { return simulator_; }
    const DisplaySimulator& simulator() const { return simulator_; }

private:
    DisplaySimulator simulator_;
};

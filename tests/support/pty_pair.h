#pragma once
// A pseudo-terminal pair for tests and benchmarks: the component opens the slave path, the test
// holds the master and plays the far end of the line.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }
    void Write(const std::vector<uint8_t>& bytes);
    void Write(const std::string& bytes);
    // Reads exactly n bytes from the master, or fewer when the bound passes.
    std::vector<uint8_t> Read(size_t n, std::chrono::milliseconds bound = std::chrono::milliseconds(3000));
    // Closes the master: the far end is gone.
    void CloseMaster();

private:
    int master_ = -1;
    int slaveKeep_ = -1;  // keeps the slave side alive until the component opens it
    std::string slavePath_;
};

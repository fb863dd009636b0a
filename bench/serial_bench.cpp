// Receive latency and send throughput of the serial component over a pseudo-terminal pair.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "bench/serial_bench_comm.h"

namespace {

using Clock = std::chrono::steady_clock;

// From one byte written at the far end to TotalReceived showing it.
void BM_ReceiveLatency(benchmark::State& state)
{
    PtyPair pty;
    auto comm = OpenComm(pty);
    std::vector<double> micros;
    micros.reserve(100000);
    const uint8_t byte = 0x5A;
    for (auto _ : state) {
        const uint32_t before = comm->TotalReceived();
        const auto start = Clock::now();
        if (::write(pty.Master(), &byte, 1) != 1)
            state.SkipWithError("write failed");
        while (comm->TotalReceived() == before) {}
        const auto end = Clock::now();
        const double us = std::chrono::duration<double, std::micro>(end - start).count();
        micros.push_back(us);
        state.SetIterationTime(us / 1e6);
        if (micros.size() % 4096 == 0)
            comm->ClearDeviceInput();
    }
    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        state.counters["median_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    }
}
BENCHMARK(BM_ReceiveLatency)->UseManualTime()->Iterations(2000);

// 1 MiB handed to SendData in 1024-byte blocks, read at the far end.
void BM_SendThroughput(benchmark::State& state)
{
    PtyPair pty;
    auto comm = OpenComm(pty);
    constexpr size_t kTotal = 1 << 20;
    constexpr size_t kBlock = 1024;
    std::vector<uint8_t> block(kBlock);
    for (size_t i = 0; i < kBlock; ++i)
        block[i] = static_cast<uint8_t>(i);
    for (auto _ : state) {
        std::atomic<bool> ok{true};
        const auto start = Clock::now();
        std::thread reader([&] {
            std::vector<uint8_t> buf(65536);
            size_t got = 0;
            while (got < kTotal) {
                struct pollfd p = {pty.Master(), POLLIN, 0};
                if (::poll(&p, 1, 5000) <= 0) {
                    ok = false;
                    return;
                }
                const ssize_t n = ::read(pty.Master(), buf.data(), buf.size());
                if (n <= 0) {
                    ok = false;
                    return;
                }
                got += static_cast<size_t>(n);
            }
        });
        for (size_t sent = 0; sent < kTotal; sent += kBlock)
            comm->SendData(block.data(), kBlock);
        reader.join();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!ok)
            state.SkipWithError("the far end did not get every byte");
        state.SetIterationTime(seconds);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kTotal));
}
BENCHMARK(BM_SendThroughput)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#include "tests/transfer/scripted_display.h"

#include <numeric>
#include <thread>

ScriptedDisplay::ScriptedDisplay(Behaviour behaviour) : behaviour_(behaviour), rng_(behaviour.fuzzSeed) {}

std::vector<FarEnd::Reply> ScriptedDisplay::take(std::span<const uint8_t> bytes)
{
    answers_.clear();
    for (uint8_t b : bytes)
        takeByte(b);
    return std::move(answers_);
}

size_t ScriptedDisplay::expectedLength(const std::vector<uint8_t>& p) const
{
    switch (p[0]) {
    case 0xA1:
        return 6;  // hello
    case 0xAE:
        return 3;  // goodbye
    case 0xA3:
        return 3;  // flash open
    case 0xA4:
        return 2 + 1024;  // flash block
    case 0xAC:
        return 2;  // SD close
    case 0xA6:
    case 0xAA:
    case 0xAB:  // length-prefixed
        return p.size() < 2 ? 2 : 2 + size_t{p[1]};
    default:
        return 1;  // a stray byte
    }
}

void ScriptedDisplay::takeByte(uint8_t byte)
{
    pending_.push_back(byte);
    if (pending_.size() < expectedLength(pending_))
        return;
    Frame f;
    f.marker = pending_[0];
    f.body.assign(pending_.begin() + 1, pending_.end());
    pending_.clear();
    {
        std::lock_guard<std::mutex> guard(lock_);
        frames_.push_back(f);
    }
    answer(f);
}

void ScriptedDisplay::answer(const Frame& f)
{
    auto sum = [](auto first, auto last) { return static_cast<uint8_t>(std::accumulate(first, last, 0u)); };
    switch (f.marker) {
    case 0xA6:
        if (f.body.size() == 2 && f.body[1] == 0x20) {
            fuzzed({behaviour_.sizeReply.begin(), behaviour_.sizeReply.end()});
        } else if (behaviour_.fuzzSeed != 0) {
            // Any other command (a record read): a reply of any length, of any bytes.
            std::vector<uint8_t> junk(rng_() % 41);
            for (uint8_t& b : junk)
                b = static_cast<uint8_t>(rng_());
            fuzzed(junk);
        }
        return;
    case 0xAA: {
        std::lock_guard<std::mutex> guard(lock_);
        sdFiles_.push_back({std::string(f.body.begin() + 1, f.body.end()), {}, {}, false});
        sdBlocksOfFile_ = 0;
    }
        reply({0xAA, 0x00});
        return;
    case 0xAB: {
        const int fileIndex = static_cast<int>(sdFiles().size()) - 1;
        bool last = false;
        {
            std::lock_guard<std::mutex> guard(lock_);
            SdFile& file = sdFiles_.back();
            file.data.insert(file.data.end(), f.body.begin() + 1, f.body.end());
            file.blocks.push_back(f.body.size() - 1);
            last = f.body.size() - 1 < 250;
        }
        uint8_t s = sum(f.body.begin() + 1, f.body.end());
        const int block = sdBlocksOfFile_++;
        if (fileIndex == behaviour_.wrongSumFile && (behaviour_.wrongSumOnLastBlock ? last : block == behaviour_.wrongSumBlock))
            s = static_cast<uint8_t>(s + 1);
        if (behaviour_.silentAfterFirstBlock && blocksAnswered_ > 0)
            return;
        ++blocksAnswered_;
        reply({0xAB, s});
        return;
    }
    case 0xAC: {
        std::lock_guard<std::mutex> guard(lock_);
        if (!sdFiles_.empty())
            sdFiles_.back().closed = true;
    }
        reply({0xAC, 0x00});
        return;
    case 0xA3: {
        std::lock_guard<std::mutex> guard(lock_);
        flash_.push_back({f.body.size() > 1 ? f.body[1] : uint8_t{0}, {}});
        flashBlocks_ = 0;
    }
        reply({0xA3, 0x00});
        return;
    case 0xA4: {
        {
            std::lock_guard<std::mutex> guard(lock_);
            flash_.back().data.insert(flash_.back().data.end(), f.body.begin() + 1, f.body.end());
        }
        uint8_t s = sum(f.body.begin() + 1, f.body.end());
        if (behaviour_.wrongSumFile == -1 && flashBlocks_ == behaviour_.wrongSumBlock)
            s = static_cast<uint8_t>(s + 1);
        ++flashBlocks_;
        if (behaviour_.silentAfterFirstBlock && blocksAnswered_ > 0)
            return;
        ++blocksAnswered_;
        reply({0xA4, s});
        return;
    }
    default:
        return;
    }
}

void ScriptedDisplay::fuzzed(std::vector<uint8_t> bytes)
{
    if (behaviour_.fuzzSeed == 0) {
        write(bytes);
        return;
    }
    auto junk = [this](size_t most) {
        std::vector<uint8_t> j(rng_() % (most + 1));
        for (uint8_t& b : j)
            b = static_cast<uint8_t>(rng_());
        return j;
    };
    std::vector<uint8_t> out;
    switch (rng_() % 6) {
    case 0:
        out = bytes;
        break;
    case 1:  // junk instead of the reply
        out = junk(12);
        break;
    case 2: {  // junk around the reply
        out = junk(5);
        out.insert(out.end(), bytes.begin(), bytes.end());
        const auto after = junk(5);
        out.insert(out.end(), after.begin(), after.end());
        break;
    }
    case 3:  // the marker right, the rest anything
        out = bytes;
        for (size_t i = 1; i < out.size(); ++i)
            out[i] = static_cast<uint8_t>(rng_());
        break;
    case 4:  // a long run of junk first
        out = junk(300);
        out.insert(out.end(), bytes.begin(), bytes.end());
        break;
    default:  // byte by byte
        for (size_t i = 0; i < bytes.size(); ++i)
            write({bytes[i]}, std::chrono::milliseconds(i == 0 ? 0 : 1));
        return;
    }
    write(out);
}

void ScriptedDisplay::reply(std::vector<uint8_t> bytes)
{
    if (behaviour_.fuzzSeed != 0) {
        fuzzed(std::move(bytes));
        return;
    }
    if (behaviour_.strayBefore)
        bytes.insert(bytes.begin(), behaviour_.strayByte);
    if (behaviour_.pieceGap.count() > 0) {
        write({bytes.begin(), bytes.end() - 1});
        write({bytes.back()}, behaviour_.pieceGap);
        return;
    }
    write(bytes);
}

void ScriptedDisplay::write(std::vector<uint8_t> bytes, std::chrono::milliseconds pauseBefore)
{
    answers_.push_back({pauseBefore, std::move(bytes), false});
}

std::vector<ScriptedDisplay::Frame> ScriptedDisplay::frames() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return frames_;
}

std::vector<ScriptedDisplay::SdFile> ScriptedDisplay::sdFiles() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return sdFiles_;
}

std::vector<ScriptedDisplay::FlashImage> ScriptedDisplay::flashImages() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return flash_;
}

size_t ScriptedDisplay::countFrames(uint8_t marker) const
{
    std::lock_guard<std::mutex> guard(lock_);
    size_t n = 0;
    for (const Frame& f : frames_)
        n += f.marker == marker;
    return n;
}

bool ScriptedDisplay::waitForFrames(uint8_t marker, size_t count, std::chrono::milliseconds bound) const
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (countFrames(marker) < count) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

#include "settings/settings_backup.h"

#include "protocol/protocol_states.h"
#include "serial/nr_comm.h"
#include "settings/settings_states.h"

#include <QStringList>

#include <algorithm>

namespace {

using Result = ProtocolLoop::StepResult;

// Per record: the read's command code, the save's command code and the save frame's length byte.
struct RecordCommands {
    uint8_t readCode;
    uint8_t saveCode;
    uint8_t saveLength;
};
constexpr RecordCommands kCommands[] = {
    {0x18, 0x16, 0x1B},  // configuration: A6 1B 16 and its 26 bytes
    {0x17, 0x15, 0x09},  // extra coding: A6 09 15 and its 8 bytes
    {0x26, 0x25, 0x0D},  // TurboTimer: A6 0D 25 and its six words
    {0x24, 0x23, 0x0E},  // transmission: A6 0E 23 and each ratio followed by 00 (14, though 13 follow)
};
constexpr uint8_t kFrameMarker = 0xA6;
constexpr uint32_t kLeadingBytes = 2;

const RecordCommands& commands(SettingsRecordKind kind) { return kCommands[static_cast<size_t>(kind)]; }

QString names(const std::vector<SettingsRecordKind>& kinds)
{
    QStringList list;
    for (SettingsRecordKind k : kinds)
        list << settingsRecordName(k);
    return list.join(QStringLiteral(", "));
}

}  // namespace

QString BackupOutcome::summary() const
{
    std::vector<SettingsRecordKind> got;
    for (SettingsRecordKind k : kSettingsRecordKinds)
        if (read[k])
            got.push_back(k);
    QString text = got.empty() ? QStringLiteral("nothing read") : QStringLiteral("read ") + names(got);
    if (restore)
        text += written.empty() ? QStringLiteral("; nothing written") : QStringLiteral("; written ") + names(written);
    return text;
}

SettingsBackup::SettingsBackup(ProtocolLoop& loop, SettingsBackupHost& host, SettingsPages* pages, SettingsMemory* memory)
    : loop_(loop), host_(host), pages_(pages), memory_(memory)
{
    loop_.registerStep(State::kBackupReadRequest, [this] { return stepReadRequest(); });
    loop_.registerStep(State::kBackupReadReply, [this] { return stepReadReply(); });
    loop_.registerStep(State::kBackupWrite, [this] { return stepWrite(); });
    // A request stored by another button replaces the run's state; the run then ends here.
    passWatch_ = QObject::connect(&loop_, &ProtocolLoop::passDone, &loop_, [this] { watchPass(); });
}

SettingsBackup::~SettingsBackup() { QObject::disconnect(passWatch_); }

bool SettingsBackup::ours(int32_t state) const
{
    return state == State::kBackupReadRequest || state == State::kBackupReadReply || state == State::kBackupWrite;
}

void SettingsBackup::watchPass()
{
    if (running_ && !ours(loop_.state()))
        finish(BackupOutcome::End::Overtaken);
}

bool SettingsBackup::start(bool restore, int32_t firstState)
{
    if (!loop_.mayStart())
        return loop_.request(firstState);  // refused, and said so; the running job is untouched
    restore_ = restore;
    readIndex_ = 0;
    writeIndex_ = 0;
    outcome_ = BackupOutcome{};
    outcome_.restore = restore;
    // While it runs the loop refuses every other request, the window follows, Stop ends it, and
    // Exit asks. Like every request, it first lets a reply still due from an abandoned exchange
    // come in, so that no record of the run is read from another request's reply.
    running_ = loop_.startJob({QStringLiteral("The settings are being read or written"), [this] { stop(); },
                               QStringLiteral("(Stop ends the settings run)"), this},
                              firstState);
    return running_;
}

bool SettingsBackup::readAll() { return start(false, State::kBackupReadRequest); }

bool SettingsBackup::restore(const SettingsSnapshot& writes, const SettingsSnapshot& target)
{
    if (!loop_.mayStart())
        return loop_.request(State::kBackupWrite);  // refused, and said so
    writes_ = writes;
    target_ = target;
    return start(true, State::kBackupWrite);
}

void SettingsBackup::stop()
{
    if (!running_)
        return;
    loop_.advance(State::kIdle);
    finish(BackupOutcome::End::Stopped);
}

void SettingsBackup::finish(BackupOutcome::End end)
{
    running_ = false;
    loop_.endJob();
    outcome_.end = end;
    if (end == BackupOutcome::End::Done && restore_)
        for (SettingsRecordKind k : kSettingsRecordKinds)
            if (target_[k] && outcome_.read[k] != target_[k])
                outcome_.mismatched.push_back(k);
    const BackupOutcome done = outcome_;  // the host may start the next run at once
    host_.backupFinished(done);
}

Result SettingsBackup::stepReadRequest()
{
    if (!loop_.comm().Active()) {
        loop_.advance(State::kIdle);
        finish(BackupOutcome::End::LineLost);
        return Result::Acted;
    }
    const auto kind = kSettingsRecordKinds[readIndex_];
    host_.backupProgress(QStringLiteral("%1 settings: %2 (%3 of %4)")
                             .arg(restore_ ? QStringLiteral("Reading back") : QStringLiteral("Reading"), settingsRecordName(kind))
                             .arg(readIndex_ + 1)
                             .arg(kSettingsRecordCount));
    loop_.beginRequest(static_cast<uint32_t>(kLeadingBytes + settingsRecordSize(kind)));
    loop_.sendCommandFrame(commands(kind).readCode, {});
    loop_.advance(State::kBackupReadReply);
    return Result::Acted;
}

Result SettingsBackup::stepReadReply()
{
    const auto kind = kSettingsRecordKinds[readIndex_];
    const size_t size = settingsRecordSize(kind);
    if (!loop_.replyArrived(static_cast<uint32_t>(kLeadingBytes + size))) {
        if (loop_.comm().Active())
            return Result::WaitForInput;
        loop_.advance(State::kIdle);
        finish(BackupOutcome::End::LineLost);
        return Result::Acted;
    }
    for (uint32_t i = 0; i < kLeadingBytes; ++i)
        loop_.readByte();
    RecordBytes bytes(size);
    for (uint8_t& b : bytes)
        b = loop_.readByte();
    outcome_.read[kind] = bytes;
    show(kind, bytes);
    if (++readIndex_ < kSettingsRecordKinds.size()) {
        loop_.advance(State::kBackupReadRequest);
        return Result::Acted;
    }
    loop_.advance(State::kIdle);
    finish(BackupOutcome::End::Done);
    return Result::Acted;
}

Result SettingsBackup::stepWrite()
{
    while (writeIndex_ < kSettingsRecordKinds.size() && !writes_[kSettingsRecordKinds[writeIndex_]])
        ++writeIndex_;
    if (writeIndex_ >= kSettingsRecordKinds.size()) {
        loop_.advance(State::kBackupReadRequest);  // everything sent: read all four back
        return Result::Acted;
    }
    if (!loop_.comm().Active()) {
        loop_.advance(State::kIdle);
        finish(BackupOutcome::End::LineLost);
        return Result::Acted;
    }
    const auto kind = kSettingsRecordKinds[writeIndex_++];
    const RecordBytes& bytes = *writes_[kind];
    host_.backupProgress(QStringLiteral("Writing settings: %1").arg(settingsRecordName(kind)));
    loop_.beginRequest();
    loop_.sendByte(kFrameMarker);
    loop_.sendByte(commands(kind).saveLength);
    loop_.sendByte(commands(kind).saveCode);
    if (kind == SettingsRecordKind::Transmission) {
        for (uint8_t ratio : bytes) {  // the save carries each ratio as a word
            loop_.sendByte(ratio);
            loop_.sendByte(0);
        }
    } else {
        loop_.sendBytes(bytes);
    }
    outcome_.written.push_back(kind);
    return Result::Acted;
}

void SettingsBackup::show(SettingsRecordKind kind, const RecordBytes& b)
{
    if (!pages_ || !memory_)
        return;
    switch (kind) {
    case SettingsRecordKind::Config:
        takeConfigRecord(loop_, *pages_, *memory_, std::span<const uint8_t, kConfigRecordSize>(b.data(), kConfigRecordSize));
        break;
    case SettingsRecordKind::ExtraCoding:
        takeExtraCodingRecord(loop_, *pages_, *memory_, std::span<const uint8_t, kExtraCodingSize>(b.data(), kExtraCodingSize));
        break;
    case SettingsRecordKind::TurboTimer:
        takeTurboTimerRecord(*pages_, std::span<const uint8_t, kTurboTimerSize>(b.data(), kTurboTimerSize));
        break;
    case SettingsRecordKind::Transmission:
        takeTransmissionRecord(*pages_, std::span<const uint8_t, kTransmissionReplySize>(b.data(), kTransmissionReplySize));
        break;
    }
}

#pragma once
#include <cstdint>

// Every protocol state the loop knows, with what its step does. A handler requests one of these
// (ProtocolLoop::request); the loop performs the step registered for it on its next pass. A
// value not listed here has no step: a pass in it only refreshes the status panels and processes
// events, as in kIdle.
//
// Jobs. Some exchanges run over many states and passes and own the line while they do: the SD
// batch (kSdBatchStart .. kSdFileError; transfer/sd_upload.cpp), the image load (kFlashOpen ..
// kFlashError; transfer/flash_loader.cpp) and the settings backup, comparison and restore
// (kBackupReadRequest .. kBackupWrite; settings/settings_backup.cpp, driven by
// settings/settings_file_job.cpp). Each is started through ProtocolLoop::startJob by its page's
// button or by the command line, and the loop holds at most one. While one runs the loop refuses
// every other request, so nothing else reaches the wire. Only the job's own Stop (its page's
// Stop, Esc on that page, Ctrl+C of the command line), Exit (after its question), a lost line, a
// re-opening of the port, or the job's end release the line, and each stops the transfer's hot
// path before anything else may send. Every other state is a single exchange: a new request
// abandons it, after its reply (if one is due) has come or its time has passed.
namespace State {

// Connection
inline constexpr int32_t kHello = 999;    // clear buffers, send the hello, show the pages -> kSizeQuery
inline constexpr int32_t kSizeQuery = 0;  // 500 ms after the hello, send A6 01 20 -> kSizeReply
inline constexpr int32_t kSizeReply = 1;  // wait 6, show the storage sizes -> kIdle
inline constexpr int32_t kIdle = 1000;    // no step

// SD card upload
inline constexpr int32_t kSdBatchStart = 30;  // take the PC folder's file list -> kSdNextFile, or kIdle
inline constexpr int32_t kSdNextFile = 31;    // next file of the batch -> kSdOpen
inline constexpr int32_t kSdAfterFile = 32;   // next file or the end of the batch -> kSdNextFile, or kIdle
inline constexpr int32_t kSdOpen = 40;        // send the open frame AA -> kSdOpenAck
inline constexpr int32_t kSdOpenAck = 42;     // wait 2, the open frame's acknowledgement -> kSdBlock
inline constexpr int32_t kSdBlock = 43;       // send a block frame AB of at most 250 bytes -> kSdBlockAck
inline constexpr int32_t kSdBlockAck = 44;    // wait 2, block acknowledgement and sum -> kSdBlock, kSdClose or kSdFileError
inline constexpr int32_t kSdClose = 45;       // send the close frame AC 00 -> kSdCloseAck
inline constexpr int32_t kSdCloseAck = 46;    // wait 2, the close frame's acknowledgement -> kSdAfterFile
inline constexpr int32_t kSdFileError = 47;   // "File ... error" -> kSdAfterFile

// Command frames
inline constexpr int32_t kSendBare = 50;     // send A6 01 code -> kIdle
inline constexpr int32_t kSendParam = 51;    // send A6 02 code parameter -> kIdle
inline constexpr int32_t kSendExtra = 52;    // send A6 09 code and 8 payload bytes -> kIdle
inline constexpr int32_t kSendConfig = 53;   // send A6 1B code and 26 payload bytes -> kIdle
inline constexpr int32_t kReadExtra = 54;    // send A6 01 code -> kExtraReply
inline constexpr int32_t kReadConfig = 55;   // send A6 01 code -> kConfigReply
inline constexpr int32_t kExtraReply = 64;   // wait 10, decode the extra coding record -> kIdle
inline constexpr int32_t kConfigReply = 65;  // wait 28, decode the configuration record -> kIdle

// Gamma tables
inline constexpr int32_t kSendGammaIli9481 = 152;  // send the "ILI-9481 / HX-8375B" table -> kIdle
inline constexpr int32_t kSendGammaBare = 153;     // send A6 01 code (save, defaults) -> kIdle
inline constexpr int32_t kSendGammaHx8357c = 155;  // send the "HX-8357C" table -> kIdle
inline constexpr int32_t kSendGammaIli9486 = 157;  // send the "ILI-9486" table -> kIdle

// TurboTimer and transmission
inline constexpr int32_t kSendTransmission = 162;   // send the transmission values -> kIdle
inline constexpr int32_t kReadTransmission = 163;   // send A6 01 code -> kTransmissionReply
inline constexpr int32_t kTransmissionReply = 164;  // wait 8, decode the transmission values -> kIdle
inline constexpr int32_t kSendTurboTimer = 165;     // send the TurboTimer values -> kIdle
inline constexpr int32_t kReadTurboTimer = 166;     // send A6 01 code -> kTurboTimerReply
inline constexpr int32_t kTurboTimerReply = 167;    // wait 14, decode the TurboTimer values -> kIdle

// Flash image loader
inline constexpr int32_t kFlashOpen = 240;      // send the open frame A3 01 slot -> kFlashOpenAck
inline constexpr int32_t kFlashOpenAck = 242;   // wait 2, the open frame's acknowledgement -> kFlashBlock
inline constexpr int32_t kFlashBlock = 243;     // send a block frame A4 00 with 1024 bytes -> kFlashBlockAck
inline constexpr int32_t kFlashBlockAck = 244;  // wait 2, block acknowledgement and sum -> kFlashBlock, kFlashDone or kFlashError
inline constexpr int32_t kFlashDone = 246;      // "image written" message -> kIdle
inline constexpr int32_t kFlashError = 247;     // image error message -> kIdle

// Settings backup, comparison and restore: the four records one at a time
inline constexpr int32_t kBackupReadRequest = 270;  // send the current record's read A6 01 code -> kBackupReadReply
inline constexpr int32_t kBackupReadReply =
    271;  // wait for the record's reply, keep it -> kBackupReadRequest, or kIdle after the last
inline constexpr int32_t kBackupWrite =
    272;  // send the next record's save frame -> kBackupWrite, or kBackupReadRequest (read back)

// The length of the reply a reply state waits for, 0 for a state that waits for none.
constexpr uint32_t replyLength(int32_t replyState)
{
    switch (replyState) {
    case kSizeReply:
        return 6;
    case kExtraReply:
        return 10;
    case kConfigReply:
        return 28;
    case kTransmissionReply:
        return 8;
    case kTurboTimerReply:
        return 14;
    case kSdOpenAck:
    case kSdBlockAck:
    case kSdCloseAck:
    case kFlashOpenAck:
    case kFlashBlockAck:
        return 2;
    default:
        return 0;
    }
}

}  // namespace State

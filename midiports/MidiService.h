#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace midiports {

class MidiService;

// Result of a service call; 0 is success.
using MidiResult = std::uint32_t;

namespace result {
inline constexpr MidiResult kOk = 0;
inline constexpr MidiResult kError = 1;
inline constexpr MidiResult kBadDeviceId = 2;
inline constexpr MidiResult kAllocated = 4;
inline constexpr MidiResult kInvalidHandle = 5;
inline constexpr MidiResult kNoDriver = 6;
inline constexpr MidiResult kNoMem = 7;
inline constexpr MidiResult kInvalidParam = 11;
inline constexpr MidiResult kUnprepared = 64;
inline constexpr MidiResult kStillPlaying = 65;
inline constexpr MidiResult kNotReady = 67;
inline constexpr MidiResult kDeviceLost = 70;
}  // namespace result

// What the service reports to a port's callback.
namespace msg {
inline constexpr std::uint32_t kInData = 0x3C3;       // p1 packed short message, p2 time stamp
inline constexpr std::uint32_t kInLongData = 0x3C4;   // p1 filled MidiHeader*, p2 time stamp
inline constexpr std::uint32_t kInError = 0x3C5;      // p1 the invalid short message
inline constexpr std::uint32_t kInLongError = 0x3C6;  // p1 cut-off MidiHeader*, p2 time stamp
inline constexpr std::uint32_t kOutDone = 0x3C9;      // p1 finished MidiHeader*
inline constexpr std::uint32_t kInDropped = 0x3E0;    // p1 DropReason, p2 bytes lost
inline constexpr std::uint32_t kInLost = 0x3E1;       // the device went away while open
inline constexpr std::uint32_t kOutLost = 0x3E2;      // the device went away while open
}  // namespace msg

enum DropReason : std::uintptr_t { kDropNoBuffer = 1, kDropTooLong = 2 };

// Header flags.
inline constexpr std::uint32_t kHdrDone = 0x1;
inline constexpr std::uint32_t kHdrPrepared = 0x2;
inline constexpr std::uint32_t kHdrInQueue = 0x4;

// One long-message buffer as the service sees it. The service writes bytesRecorded and
// flags on its own thread; the port reads them only after a callback told it the block is
// done (the ring's count orders the two).
struct MidiHeader {
    std::uint8_t* data = nullptr;
    std::uint32_t bufferLength = 0;
    std::uint32_t bytesRecorded = 0;
    std::uintptr_t user = 0;
    std::atomic<std::uint32_t> flags{0};
    std::atomic<MidiHeader*> serviceNext{nullptr};  // the service's queue of free buffers
    std::atomic<MidiHeader*> portNext{nullptr};     // the port's queues (done, orphaned)
};

// Called on the service's thread (or inside a call on the GUI thread for output).
// It must not call the service, allocate or block.
class MidiDevice;
using MidiCallback = void (*)(MidiDevice* handle, std::uint32_t message, void* instance,
                              std::uintptr_t param1, std::uintptr_t param2);

// An open device; the handle the ports hold. Each backend derives its own.
class MidiDevice {
  public:
    explicit MidiDevice(MidiService& owner) : m_owner(owner) {}
    virtual ~MidiDevice() = default;
    MidiDevice(const MidiDevice&) = delete;
    MidiDevice& operator=(const MidiDevice&) = delete;
    MidiService& Owner() const { return m_owner; }
    // When the event now being reported happened, asked inside the callback on the
    // reporting thread: the moment of the report unless the backend knows better.
    virtual std::chrono::steady_clock::time_point EventTime() const;

  private:
    MidiService& m_owner;
};

// The operating system's MIDI service as the ports use it: device lists, opening with a
// callback, short and long messages, receive buffers handed over and given back. Handle
// calls work on any backend's devices, so a composite service can hand them on; only
// opening and closing go to the backend that owns the device. After InClose or OutClose
// has returned, the callback is never called again for that handle.
class MidiService {
  public:
    virtual ~MidiService() = default;

    virtual int InDeviceCount() = 0;
    virtual MidiResult InProductName(int id, std::string& name) = 0;
    virtual MidiResult InOpen(MidiDevice** handle, int id, MidiCallback callback,
                              void* instance) = 0;
    virtual MidiResult InClose(MidiDevice* handle) = 0;
    virtual MidiResult InPrepareHeader(MidiDevice* handle, MidiHeader* header);
    virtual MidiResult InUnprepareHeader(MidiDevice* handle, MidiHeader* header);
    virtual MidiResult InAddBuffer(MidiDevice* handle, MidiHeader* header);
    virtual MidiResult InStart(MidiDevice* handle);
    virtual MidiResult InStop(MidiDevice* handle);
    virtual MidiResult InReset(MidiDevice* handle);
    virtual bool InErrorText(MidiResult code, std::string& text);

    // Output device -1 is the mapper.
    virtual int OutDeviceCount() = 0;
    virtual MidiResult OutProductName(int id, std::string& name) = 0;
    virtual MidiResult OutOpen(MidiDevice** handle, int id, MidiCallback callback,
                               void* instance) = 0;
    virtual MidiResult OutClose(MidiDevice* handle) = 0;
    virtual MidiResult OutShortMsg(MidiDevice* handle, std::uint32_t message);
    virtual MidiResult OutPrepareHeader(MidiDevice* handle, MidiHeader* header);
    virtual MidiResult OutLongMsg(MidiDevice* handle, MidiHeader* header);
    virtual MidiResult OutUnprepareHeader(MidiDevice* handle, MidiHeader* header);
    virtual MidiResult OutReset(MidiDevice* handle);  // finishes every queued block at once
    virtual bool OutErrorText(MidiResult code, std::string& text);
};

// Text for one of the result codes above; false for an unknown code.
bool StandardErrorText(MidiResult code, std::string& text);

// Bytes in a short message with this status byte (1 to 3); 0 for a data byte or F0/F7.
int ShortMessageLength(std::uint8_t status);

}  // namespace midiports

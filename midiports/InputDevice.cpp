#include "InputDevice.h"

#include <algorithm>

namespace midiports {

InputDevice::~InputDevice() {
    Close();
}

MidiResult InputDevice::Prepare(MidiHeader* header) {
    if (header == nullptr || header->data == nullptr || header->bufferLength == 0)
        return result::kInvalidParam;
    header->flags.fetch_or(kHdrPrepared);
    return result::kOk;
}

MidiResult InputDevice::Unprepare(MidiHeader* header) {
    if (header == nullptr) return result::kInvalidParam;
    if (header->flags.load() & kHdrInQueue) return result::kStillPlaying;
    header->flags.fetch_and(~kHdrPrepared);
    return result::kOk;
}

MidiResult InputDevice::AddBuffer(MidiHeader* header) {
    if (header == nullptr) return result::kInvalidParam;
    const std::uint32_t flags = header->flags.load();
    if (!(flags & kHdrPrepared)) return result::kUnprepared;
    if (flags & kHdrInQueue) return result::kStillPlaying;
    header->bytesRecorded = 0;
    header->flags.store((flags | kHdrInQueue) & ~kHdrDone);
    m_queued.fetch_add(1);
    m_free.Push(header);
    return result::kOk;
}

MidiResult InputDevice::Start() {
    if (!m_started.load()) {
        m_startTime = std::chrono::steady_clock::now();
        m_started.store(true);
    }
    return result::kOk;
}

MidiResult InputDevice::Stop() {
    m_started.store(false);
    WaitIdle();
    // A block cut off by the stop goes back to the queue unreported.
    if (m_current != nullptr) m_free.Push(m_current);
    m_current = nullptr;
    m_inSysex = false;
    m_length = 0;
    return result::kOk;
}

MidiResult InputDevice::Reset() {
    Stop();
    // Nothing reports now, so this thread may take the consumer's place.
    while (MidiHeader* header = m_free.Pop()) {
        header->bytesRecorded = 0;
        header->flags.store((header->flags.load() & ~kHdrInQueue) | kHdrDone);
        m_queued.fetch_sub(1);
    }
    return result::kOk;
}

void InputDevice::Close() {
    Detach();
    Reset();
}

void InputDevice::Deliver(const std::uint8_t* bytes, std::size_t length) {
    Deliver(bytes, length, {});
}

void InputDevice::Deliver(const std::uint8_t* bytes, std::size_t length,
                          std::chrono::steady_clock::time_point when) {
    if (!Enter()) return;
    m_eventTime = when;
    if (m_started.load()) DeliverLocked(bytes, length);
    Leave();
}

std::chrono::steady_clock::time_point InputDevice::EventTime() const {
    return m_eventTime == std::chrono::steady_clock::time_point{} ? MidiDevice::EventTime()
                                                                  : m_eventTime;
}

void InputDevice::DeliverEmptyBlock() {
    if (!Enter()) return;
    m_eventTime = {};
    if (m_started.load()) {
        if (MidiHeader* header = m_free.Pop()) {
            header->bytesRecorded = 0;
            FileBlock(header, msg::kInLongData);
        }
    }
    Leave();
}

void InputDevice::ReportLost() {
    if (!Enter()) return;
    Call(msg::kInLost, 0, 0);
    Leave();
}

void InputDevice::DeliverLocked(const std::uint8_t* bytes, std::size_t length) {
    std::size_t i = 0;
    while (i < length) {
        const std::uint8_t c = bytes[i];
        if (c >= 0xF8) {
            // Real-time bytes may arrive in the middle of a block; they never belong to it.
            Short(c);
            ++i;
        } else if (m_inSysex) {
            if (c == 0xF7) {
                AppendSysex(c);
                FinishSysex(msg::kInLongData);
                ++i;
            } else if (c & 0x80) {
                FinishSysex(msg::kInLongError);  // cut off by a new status; c starts over
            } else {
                AppendSysex(c);
                ++i;
            }
        } else if (c == 0xF0) {
            BeginSysex();
            AppendSysex(c);
            ++i;
        } else if (c & 0x80) {
            const int n = ShortMessageLength(c);
            if (n == 0 || i + static_cast<std::size_t>(n) > length) {
                Call(msg::kInError, c, Now());  // F7 alone, or a message cut short
                i = length;
            } else {
                std::uint32_t packed = c;
                for (int k = 1; k < n; ++k) packed |= std::uint32_t{bytes[i + k]} << (8 * k);
                Short(packed);
                i += static_cast<std::size_t>(n);
            }
        } else {
            ++i;  // data byte outside any message
        }
    }
}

void InputDevice::Short(std::uint32_t packed) {
    Call(msg::kInData, packed, Now());
}

void InputDevice::BeginSysex() {
    m_inSysex = true;
    m_current = m_free.Pop();
    m_length = 0;
}

void InputDevice::AppendSysex(std::uint8_t byte) {
    if (m_current != nullptr && m_length < m_current->bufferLength)
        m_current->data[m_length] = byte;
    ++m_length;
}

void InputDevice::FinishSysex(std::uint32_t message) {
    m_inSysex = false;
    if (m_current == nullptr) {
        Call(msg::kInDropped, kDropNoBuffer, m_length);
    } else if (m_length > m_current->bufferLength) {
        // Longer than the buffer: the block is dropped whole, never cut, and the buffer
        // stays with the service for the next one.
        m_free.Push(m_current);
        Call(msg::kInDropped, kDropTooLong, m_length);
    } else {
        m_current->bytesRecorded = static_cast<std::uint32_t>(m_length);
        FileBlock(m_current, message);
    }
    m_current = nullptr;
    m_length = 0;
}

void InputDevice::FileBlock(MidiHeader* header, std::uint32_t message) {
    m_queued.fetch_sub(1);
    header->flags.store((header->flags.load() & ~kHdrInQueue) | kHdrDone);
    Call(message, reinterpret_cast<std::uintptr_t>(header), Now());
}

std::uint32_t InputDevice::Now() const {
    // A stamp from a backend may lie just before the start: the cycle it came in began earlier.
    const auto elapsed = std::max(EventTime() - m_startTime, std::chrono::steady_clock::duration{});
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace midiports

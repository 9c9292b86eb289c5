#pragma once

// A link that records every message it is asked to send, for tests that check bytes.

#include <cstdint>
#include <vector>

#include "midilink/MidiLink.h"

namespace testsupport {

class RecordingLink : public midilink::TMidiLink {
  public:
    struct Message {
        bool isLong = false;
        std::uint32_t shortMessage = 0;
        std::vector<std::uint8_t> bytes;  // the long message's bytes
    };

    void PutShort(std::uint32_t message) override { messages.push_back({false, message, {}}); }
    void PutLong(const std::uint8_t* buffer, int length) override {
        messages.push_back({true, 0, std::vector<std::uint8_t>(buffer, buffer + length)});
    }

    std::vector<std::vector<std::uint8_t>> LongMessages() const {
        std::vector<std::vector<std::uint8_t>> out;
        for (const auto& m : messages)
            if (m.isLong) out.push_back(m.bytes);
        return out;
    }

    std::vector<Message> messages;
};

}  // namespace testsupport

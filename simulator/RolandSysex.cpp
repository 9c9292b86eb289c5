#include "simulator/RolandSysex.h"

namespace simulator::roland {

namespace {

std::vector<std::uint8_t> Frame(std::uint8_t deviceId, std::uint8_t command, const Address& address,
                                std::span<const std::uint8_t> body) {
    std::vector<std::uint8_t> message;
    message.reserve(kFrameOverhead + body.size());
    for (auto byte : {kSysexStart, kManufacturer, deviceId, kModelTd7, command})
        message.push_back(byte);
    message.insert(message.end(), address.begin(), address.end());
    message.insert(message.end(), body.begin(), body.end());
    message.push_back(Checksum(std::span(message).subspan(kAddressIndex)));
    message.push_back(kSysexEnd);
    return message;
}

}  // namespace

std::uint8_t Checksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (auto byte : bytes) sum += byte;
    return static_cast<std::uint8_t>((0x80 - sum % 0x80) & 0x7F);
}

std::vector<std::uint8_t> DataSet(std::uint8_t deviceId, const Address& address,
                                  std::span<const std::uint8_t> data) {
    return Frame(deviceId, kDataSet, address, data);
}

std::vector<std::uint8_t> DataRequest(std::uint8_t deviceId, const Address& address,
                                      std::uint32_t size) {
    const std::array<std::uint8_t, 4> sizeBytes{static_cast<std::uint8_t>((size >> 21) & 0x7F),
                                                static_cast<std::uint8_t>((size >> 14) & 0x7F),
                                                static_cast<std::uint8_t>((size >> 7) & 0x7F),
                                                static_cast<std::uint8_t>(size & 0x7F)};
    return Frame(deviceId, kDataRequest, address, sizeBytes);
}

}  // namespace simulator::roland

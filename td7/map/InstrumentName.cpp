#include "td7/map/InstrumentName.h"

#include "midilink/DumpCollection.h"
#include "midilink/MidiLink.h"
#include "midilink/Templates.h"

namespace td7 {

namespace {

constexpr char32_t kBackspace = 8;
constexpr char32_t kFirstPrintable = 32;
constexpr char32_t kLastSevenBit = 127;
constexpr int kTypeDataOffset = 5;

// Writes the character at pos when it differs and sends the filled template.
bool StoreCharacter(midilink::TDumpCollection& instruments, midilink::TMidiLink& link, int i,
                    int pos, char character, std::string_view message) {
    midilink::TMidiDump& record = instruments.Records(i);
    const auto byte = static_cast<std::uint8_t>(character);
    if (record.Bytes(pos) == byte) return false;
    record.SetBytes(pos, byte);
    link.SendCommand(message, 0, midilink::ctRoland);
    return true;
}

}  // namespace

bool InstrumentNameKeyAccepted(char32_t code) {
    return code == kBackspace || (code >= kFirstPrintable && code <= kLastSevenBit);
}

std::string NameCharacters(std::u32string_view text) {
    std::string out;
    for (char32_t code : text)
        if (code >= kFirstPrintable && code <= kLastSevenBit)
            out.push_back(static_cast<char>(code));
    return out;
}

std::string InstrumentCharacterMessage(int i, int position, std::uint8_t character) {
    if (position == kTypeCharAt)
        return midilink::FillFields(kTypeCharTemplate, {i / 128, i % 128, character});
    return midilink::FillFields(kNameCharTemplate,
                                {i / 128, i % 128, position - kNameCharsAt, character});
}

bool StoreInstrumentName(midilink::TDumpCollection& instruments, midilink::TMidiLink& link, int i,
                         std::u32string_view text) {
    std::string name = NameCharacters(text);
    name.resize(kNameChars, ' ');
    bool changed = false;
    for (int k = 0; k < kNameChars; ++k) {
        const char character = name[static_cast<std::size_t>(k)];
        const std::string message =
            InstrumentCharacterMessage(i, kNameCharsAt + k, static_cast<std::uint8_t>(character));
        changed |= StoreCharacter(instruments, link, i, kNameCharsAt + k, character, message);
    }
    return changed;
}

bool StoreInstrumentType(midilink::TDumpCollection& instruments, midilink::TMidiLink& link, int i,
                         std::u32string_view text) {
    const std::string type = NameCharacters(text);
    const char character = type.empty() ? ' ' : type.front();
    const std::string message =
        InstrumentCharacterMessage(i, kTypeCharAt, static_cast<std::uint8_t>(character));
    static_assert(kTypeCharAt == kNameCharsAt + kTypeDataOffset);
    return StoreCharacter(instruments, link, i, kTypeCharAt, character, message);
}

}  // namespace td7

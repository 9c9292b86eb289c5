#pragma once

// An instrument's name (five characters) and type character (one) are no bound
// parameters: the instrument window edits them through messages of their own, one
// data-set message per character that changed.

#include <string>
#include <string_view>

namespace midilink {
class TDumpCollection;
class TMidiLink;
}  // namespace midilink

namespace td7 {

inline constexpr int kNameChars = 5;
// Record positions (data offset + 9) of the name and of the type character.
inline constexpr int kNameCharsAt = 9;
inline constexpr int kTypeCharAt = 14;

// Data set of one name character: a2 a3 of the instrument, the position k, the character.
inline constexpr std::string_view kNameCharTemplate = "F041v0581201%0.2x%0.2x%0.2x%0.2x00F7";
// Data set of the type character at data offset 5.
inline constexpr std::string_view kTypeCharTemplate = "F041v0581201%0.2x%0.2x05%0.2x00F7";

// The typing rule of both fields: codes below 32 and above 127 are refused, except
// backspace (8); 127 is accepted.
bool InstrumentNameKeyAccepted(char32_t code);

// What a field's text can leave in a record: only codes 32..127 survive, since every byte
// of a record and of a message carries 7 bits. Pasting is the way others get in.
std::string NameCharacters(std::u32string_view text);

// The five name characters of instrument i: the text cut to five characters and padded
// with blanks. Each that differs from its record byte is written to the record (which
// marks it modified) and sent as its own message through the link. True when any changed.
// The message that sets the name or type character at record position `position` of
// instrument i to `character`.
std::string InstrumentCharacterMessage(int i, int position, std::uint8_t character);

bool StoreInstrumentName(midilink::TDumpCollection& instruments, midilink::TMidiLink& link, int i,
                         std::u32string_view text);

// The type character of instrument i: an empty text stands for one blank. Written and
// sent only when it differs from the record. True when it changed.
bool StoreInstrumentType(midilink::TDumpCollection& instruments, midilink::TMidiLink& link, int i,
                         std::u32string_view text);

}  // namespace td7

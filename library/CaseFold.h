#pragma once

// Letters of any case as one: what tags compare by, so that "ÜBER" is the tag "über". Capital
// letters of Latin (with the accented ones of Western and Central Europe), Greek and Cyrillic
// become small; everything else, and bytes that are no UTF-8, stays as it is.

#include <string>
#include <string_view>

namespace library {

std::string FoldCase(std::string_view text);

}  // namespace library

#pragma once

#include <stdexcept>
#include <string>

namespace midilink {

// Every failure of the binding framework carries the exact English text that the
// editor shows in its error box.
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace midilink

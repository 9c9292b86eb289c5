#pragma once

// The main window's port link with a loop watch: it notes every system-exclusive message
// it sends and looks at every one that arrives before the collections have it.

#include <functional>

#include "app/LoopDetector.h"
#include "midilink/MidiCompLink.h"

namespace app {

class TWatchedLink : public midilink::TMidiCompLink {
  public:
    TWatchedLink() = default;

    // Sets the input port and puts the watch in front of the link's own reading of it.
    void SetWatchedInput(midiports::TMidiInput* port);

    void PutLong(const std::uint8_t* buffer, int length) override;

    TLoopDetector& Detector() { return m_detector; }
    // Once, when the first own message comes back (again after Detector().Reset()).
    std::function<void(TWatchedLink* sender)> OnLoop;

  private:
    void HandleWatchedInput();

    TLoopDetector m_detector;
};

}  // namespace app

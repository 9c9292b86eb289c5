#pragma once

#include <chrono>
#include <cstddef>

namespace simulator {

// How the module loses data sets while it writes its memory. All zero: it takes every data
// set the moment it arrives.
struct StoreTiming {
    // After each data set it takes, the module is busy storing for
    // baseMs + msPerByte * (bytes of the whole data-set message) milliseconds; a data set
    // that arrives meanwhile is lost.
    double baseMs = 0;
    double msPerByte = 0;
    // Now and then busy for busyMs: from every busyEveryMs-th millisecond of its time on
    // (not at its start), data sets arriving are lost for busyMs.
    int busyEveryMs = 0;
    int busyMs = 0;
    // Once dropAfter data sets have been taken, the next dropFor are lost (once).
    int dropAfter = 0;
    int dropFor = 0;

    // How long storing a data-set message of that many bytes keeps the module busy.
    std::chrono::microseconds StoreTime(std::size_t messageBytes) const {
        const double ms = baseMs + msPerByte * static_cast<double>(messageBytes);
        return std::chrono::microseconds(static_cast<long long>(ms * 1000.0 + 0.5));
    }
    // Whether the module is in one of its periodic busy spells at time `at` of its clock.
    bool InBusySpell(std::chrono::microseconds at) const {
        if (busyEveryMs <= 0 || busyMs <= 0) return false;
        const std::chrono::microseconds period = std::chrono::milliseconds(busyEveryMs);
        return at >= period && at % period < std::chrono::milliseconds(busyMs);
    }
};

}  // namespace simulator

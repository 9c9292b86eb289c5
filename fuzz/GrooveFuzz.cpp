// The groove file reader over any bytes: it refuses with one line that names the file, or
// gives a groove within its bounds that reads back the same when written out again, and
// whose schedule plays its notes in order.

#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "td7/audition/Groove.h"
#include "td7/audition/Schedule.h"

namespace {

// The groove as a file would hold it.
std::string Text(const td7::TGroove& groove) {
    std::string text = "name: " + groove.Name + "\nbars: " + std::to_string(groove.Bars) +
                       "\nbeats: " + std::to_string(groove.Beats) +
                       "\nsteps-per-beat: " + std::to_string(groove.StepsPerBeat) + "\n";
    for (int r = 0; r < td7::kRoleCount; ++r) {
        std::vector<int> steps(static_cast<std::size_t>(groove.Steps()));
        bool used = false;
        for (const td7::TGrooveHit& hit : groove.Hits)
            if (static_cast<int>(hit.What) == r) {
                steps[static_cast<std::size_t>(hit.Step)] = hit.Velocity;
                used = true;
            }
        if (!used) continue;
        text += std::string(td7::RoleName(static_cast<td7::Role>(r))) + ":";
        for (int v : steps) text += v ? " " + std::to_string(v) : " .";
        text += "\n";
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    td7::TGroove groove;
    try {
        groove = td7::ParseGroove(text, "f.groove", "f");
    } catch (const td7::GrooveError& e) {
        const std::string what = e.what();
        FUZZ_CHECK(what.rfind("f.groove", 0) == 0);
        FUZZ_CHECK(what.find('\n') == std::string::npos && what.find('\r') == std::string::npos);
        return 0;
    }
    FUZZ_CHECK(groove.Bars >= 1 && groove.Bars <= td7::TGroove::kMaxBars);
    FUZZ_CHECK(groove.Beats >= 1 && groove.Beats <= td7::TGroove::kMaxBeats);
    FUZZ_CHECK(groove.StepsPerBeat >= 1 && groove.StepsPerBeat <= td7::TGroove::kMaxStepsPerBeat);
    FUZZ_CHECK(!groove.Hits.empty() && !groove.Name.empty());
    for (std::size_t i = 0; i < groove.Hits.size(); ++i) {
        const td7::TGrooveHit& hit = groove.Hits[i];
        FUZZ_CHECK(hit.Step >= 0 && hit.Step < groove.Steps());
        FUZZ_CHECK(hit.Velocity >= 1 && hit.Velocity <= 127);
        if (i > 0) FUZZ_CHECK(groove.Hits[i - 1].Step <= hit.Step);
    }
    const td7::TGroove again = td7::ParseGroove(Text(groove), "f.groove", "f");
    FUZZ_CHECK(again.Hits == groove.Hits && again.Name == groove.Name);

    td7::TKitNotes kit{};
    for (int r = 0; r < td7::kRoleCount; ++r)
        kit[static_cast<std::size_t>(r)] =
            td7::TRoleNote{35 + r % 3, std::chrono::milliseconds(100 * (1 + r))};
    const td7::TGrooveSchedule schedule(groove, kit, {97, 61}, 0, true);
    std::chrono::nanoseconds last{-1};
    for (long long bar = 0; bar < 2 * groove.Bars; ++bar) {
        FUZZ_CHECK(schedule.BarStart(bar) > last || bar == 0);
        for (const td7::TNoteEvent& e : schedule.BarEvents(bar)) {
            FUZZ_CHECK(e.Time >= schedule.BarStart(bar));
            if (e.On) FUZZ_CHECK(e.Time < schedule.BarStart(bar + 1));
        }
        last = schedule.BarStart(bar);
    }
    return 0;
}

#pragma once

// The trigger check's notes as a CSV file, one line a note in the order they came:
// "seconds,note,velocity,trigger,flag", the pad's name as the check names it (empty for a
// note no pad plays) and the flag empty, "double" or "crosstalk".

#include <filesystem>
#include <string>

namespace td7 {

class TTriggerCheck;

std::string HitsCsv(const TTriggerCheck& check);
// Replaces the file whole; FileError on failure.
void SaveHitsCsv(const std::filesystem::path& file, const TTriggerCheck& check);

}  // namespace td7

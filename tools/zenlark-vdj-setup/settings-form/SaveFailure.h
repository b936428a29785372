// What the DJ is told when saving the settings file fails; the old file is then left as it was.
#pragma once

#include <cstdint>
#include <string>

// Where the save stopped: writing the new file beside the old, or putting it in the old one's
// place; or before either, at a file that was there but could not be read when the window opened
// (a save would write over what it holds); or after Windows took the old file away without
// putting the new one in its place, which left it beside as "<path>.new".
enum class SaveStep { writeNew, replaceOld, unreadAtOpening, newLeftBeside };

// The reason in plain words for Windows' error `error`, and what to do; `path` is the settings file.
std::string saveFailureInWords(SaveStep step, std::uint32_t error, const std::string& path);

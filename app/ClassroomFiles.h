// ClassroomFiles: where a family's or a class's files go. Each child's colouring is kept in
// a folder of its own under the kept-work folder, named after the child; saved pictures go
// to one class folder under names that never replace an earlier child's picture.
//
// A child's name becomes a folder name as it is, so it is checked first: any letters of any
// script, digits, spaces and everyday punctuation are taken; a name that could reach outside
// its folder (a slash, a backslash, "." or "..", a leading dot), control characters, text
// that is not UTF-8, and the names of the files kept beside the children's folders are
// refused.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kolo {

// The most bytes a child's name may take: well inside a file name's 255.
constexpr std::size_t kMaxChildNameBytes = 100;

// True when `name` may name a child's folder.
bool IsChildNameSafe(const std::string& name);

// The names of a comma-separated list ("Ana, Ben,Chloé"), spaces around each name dropped,
// empty entries and repeats skipped, in order. False (and `names` as it was) when one name is
// refused; `refused` then holds it.
bool SplitChildNames(const std::string& list, std::vector<std::string>& names,
                     std::string& refused);

// The folder keeping `child`'s work under the kept-work folder `base`; `base` itself for no
// child, and "" when `base` is "" (nowhere to keep it).
std::string ChildWorkFolder(const std::string& base, const std::string& child);

// The class folder Save writes to without asking: the user's Pictures folder (as the desktop
// names it) with "Kolo" under it; `picturesDir` is that folder, or "" for the home folder's
// "Pictures".
std::string DefaultSaveFolder(const std::string& picturesDir);

// Writes a new file in `folder` (made when missing) named after `stem`: "stem.png", else
// "stem-2.png", "stem-3.png" … the first name no file has yet, taken at once so that two
// programs saving together never share one. `write` fills the path it is given whole or not
// at all. Returns the path written, or "" with `reason` set when nothing could be written.
std::string SaveUnderNewName(const std::string& folder, const std::string& stem,
                             const std::function<bool(const std::string& path)>& write,
                             std::string& reason);

// The window's settings, each one line in a file of its own in the kept-work folder, where
// no child's folder may take its name.
constexpr const char* kCloseGapsSetting = "close-gaps";
constexpr const char* kPackChoicesSetting = "print-all";
constexpr const char* kLastPictureSetting = "last-picture";   // in each child's folder
// The line kept as setting `name` in `folder` (its line end left out); "" when there is
// none, it cannot be read, or `folder` is "".
std::string ReadSetting(const std::string& folder, const char* name);
// Keeps `line` as setting `name` in `folder` (made when missing), whole or not at all; false
// when it could not.
bool WriteSetting(const std::string& folder, const char* name, const std::string& line);

// `path` as a person reads it: from the home folder on when it lies there
// ("Pictures/Kolo/house-coloured.png"), otherwise whole.
std::string PathFromHome(const std::string& path, const std::string& home);

}  // namespace kolo

// Picture names from a folder's index page: a directory listing or any page whose anchor
// tags link to picture files (an extension of a format of PictureFile.h).
//
// The page is not parsed as HTML. Tags are the stretches between "<" and ">"; an anchor's
// href value is the first token after "href=", found without regard to case; the name is the
// value's last path segment with quotes removed. Names keep their own case (servers are often
// case-sensitive), keep page order, and duplicates are kept.
#pragma once

#include <string>
#include <vector>

namespace kolo {

// Appends the picture names found in `pageText` (read up to its first NUL) to `names`.
// Returns 1 when `names` is then non-empty, else 0.
int ParsePictureNames(const char* pageText, std::vector<std::string>& names);

// 1 and the href value when `tag` (from "<" to ">") is an anchor with an href attribute;
// else 0 and `value` untouched.
int ParseAnchorHref(const std::string& tag, std::string& value);

// True when `name` has a picture format (FindPictureFormat); then `extension` is that
// format's extension.
bool FindPictureExtension(const std::string& name, std::string& extension);

// True when `name`, appended to a local folder's address, still names something inside that
// folder once percent-decoded: no ".." that climbs above it (encoded slashes and backslashes
// count as separators), no absolute path or drive, no NUL. Names from the page are only
// checked for local folders, where a file outside the folder must never be opened.
bool NameStaysInFolder(const std::string& name);

}  // namespace kolo

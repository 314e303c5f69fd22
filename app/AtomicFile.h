// Writing an output file whole or not at all. The content goes to a new file in the same
// folder as the destination (so that the rename cannot cross file systems) and is renamed
// over the destination only after every write, the flush to disk and the close succeeded.
// On any failure the new file is removed and the destination is left as it was: a reader
// never sees a half-written picture or page, whatever the disk or a signal does.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace kolo {

// Writes the content to the open file; returns 0, or the errno value of the failure (EIO
// when the writer knows of none).
using FileWriter = std::function<int(std::FILE* file)>;

// The system's text for `error` in lower case ("no space left on device"); EIO's for 0.
std::string ErrorReason(int error);

// True when `path` now holds exactly what `write` wrote. Otherwise false, with `reason` a
// short lower-case text such as "no space left on device".
bool WriteFileAtomically(const std::string& path, const FileWriter& write, std::string& reason);

// Ends a write made under the name `temporary`, flushed and closed: renamed over `path` when
// `error` is 0, else removed, with `reason` saying why. True when `path` holds it.
bool CommitTemporary(const std::string& temporary, const std::string& path, int error,
                     std::string& reason);

}  // namespace kolo

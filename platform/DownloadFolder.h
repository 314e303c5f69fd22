// The folder that downloaded pictures are written to: private to this user and this running
// program (mode 0700, a fresh name each run), and removed with everything in it when the
// program ends. Never a fixed shared path.
#pragma once

#include <string>

namespace kolo {

// The folder's path, made on first use; empty when no folder could be made.
const std::string& PrivateDownloadFolder();

}  // namespace kolo

// A headless printer for the Wine tests: Wine's generic PostScript driver on a port that
// writes a file, made the default printer. Wine lists no printer of its own and needs no
// CUPS for this.
#pragma once

#include <string>

namespace kolotest {

// Installs the driver and a printer named "Kolo Test Printer" on `port`; true on success.
bool InstallTestPrinter(const std::wstring& port);

}  // namespace kolotest

// Where the bundled picture folder is, as the address the container hands to SetImageURL.
// An installed program finds it in ../share/kolo/samples/ beside its own directory; a program
// run from its build tree uses the source tree's samples/ folder.
#pragma once

#include <string>

namespace kolo {

// The file:// address of a local folder or file: every byte of the absolute path other than
// letters, digits, "-", ".", "_", "~" and "/" is percent-encoded.
std::string FileUrl(const std::string& absolutePath);

// The bundled samples folder, ending in "/".
std::string SamplesFolderPath();
std::string SamplesFolderUrl();

}  // namespace kolo

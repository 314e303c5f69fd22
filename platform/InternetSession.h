// InternetSession: what loading a picture folder needs from the network, for one call.
// OpenUrl fetches an address's bytes (what the transport has available when asked);
// DownloadToFile writes an address's bytes to a local file.
#pragma once

#include <string>

namespace kolo {

enum class OpenUrlResult {
    kOpened,        // `page` holds the bytes
    kNotSupported,  // an address of a kind the session cannot open: no file object
    kFailed,        // the internet error; `errorText` holds the system's text for it
};

class InternetSession {
public:
    virtual ~InternetSession() = default;
    virtual OpenUrlResult OpenUrl(const std::string& address, std::string& page,
                                  std::string& errorText) = 0;
    // 1 when the file was written, 0 otherwise.
    virtual int DownloadToFile(const std::string& address, const std::string& path) = 0;
};

}  // namespace kolo

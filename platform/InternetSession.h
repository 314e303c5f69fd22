// InternetSession: what the folder loader asks of the network. One session serves one folder
// load; the Linux target implements it on libcurl, the Windows target on WinINet and urlmon.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace kolo {

// The address could not be opened or read; what() is the transport's own text.
class InternetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class InternetSession {
public:
    virtual ~InternetSession() = default;

    // The whole page at `url` (an error page from the server counts as a page), cut at the
    // session's page limit. No page (nullopt) for an address of a kind the session does not
    // serve. Throws InternetError when the address cannot be opened.
    virtual std::optional<std::string> ReadPage(const std::string& url) = 0;

    // Downloads `url` to the file `path`, replacing it. False when the transfer failed, the
    // server answered with an error status, the body was empty or too large; no file is then
    // left at `path`.
    virtual bool DownloadToFile(const std::string& url, const std::string& path) = 0;
};

}  // namespace kolo

// InternetSession: what the folder loader asks of the network. The Linux target implements it
// on libcurl, the Windows target on WinINet; a host without either can give its own.
//
// One session serves one thread at a time: the folder loader opens one per thread it runs.
// Abort is the exception: any thread may call it while another is inside ReadPage or
// FetchPicture, which then give up as soon as they can (a failure, as for a dead server).
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kolo {

// The address could not be opened or read; what() is the plain reason shown to the user
// ("The server answered 404 Not Found", or the transport's own text).
class InternetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bounds of every transfer, the same for every session (and written into the web
// element by its build), so that a hostile or dead server costs at most seconds.
struct TransferLimits {
    std::uint32_t connectMs = 10000;    // to open a connection
    std::uint32_t stallMs = 30000;      // with no byte arriving, a transfer is abandoned
    // A transfer's whole time, redirects included: a server that trickles bytes just fast
    // enough to pass the stall limit still ends here.
    std::uint32_t pageMs = 60000;
    std::uint32_t pictureMs = 120000;
    std::int64_t pageBytes = 16 << 20;      // a longer page is cut here and parsed as it is
    std::int64_t pictureBytes = 64 << 20;   // a larger picture is refused
    long redirects = 5;                     // followed at most
};

class InternetSession {
public:
    virtual ~InternetSession() = default;

    // The whole page at `url`, cut at the session's page limit. No page (nullopt) for an
    // address of a kind the session does not serve. Throws InternetError when the address
    // cannot be opened or the server answers with a status of 400 or above.
    virtual std::optional<std::string> ReadPage(const std::string& url) = 0;

    // The bytes of the picture at `url`, in memory, within the session's picture limit.
    // Nothing (nullopt) on any failure: status of 400 or above, transport error, an empty or
    // too large body, an address the session does not serve, or an abort.
    virtual std::optional<std::vector<std::uint8_t>> FetchPicture(const std::string& url) = 0;

    // Makes the transfer now running (and any later one) fail at once. Safe from any thread.
    virtual void Abort() {}

    // Whether the last page ReadPage gave was cut at the session's page limit.
    virtual bool LastPageCut() const { return false; }

    // The folder (its address, ending in "/") whose pictures the later FetchPicture calls
    // read. A session that reads local files then refuses a picture that is no regular file
    // or whose real path, links followed, lies outside that folder's.
    virtual void EnterFolder(const std::string& /*folderUrl*/) {}
};

}  // namespace kolo

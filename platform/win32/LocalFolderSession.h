// LocalFolderSession: an InternetSession for file:// folders on Windows, handing every other
// address to the session it wraps (WinINet's, which serves no file:// address).
//
// ReadPage lists the folder with FindFirstFileW: a page with one link per file (folders are
// left out), the names sorted case-blind and percent-encoded as UTF-8, so that each link
// resolves to a file directly inside the folder; the board keeps the picture names. It throws
// InternetError with the system's text when the folder cannot be listed. FetchPicture reads a
// file of at most kPictureLimit bytes into memory. "file:///C:/x/" names C:\x\ and
// "file://server/share/" the share \\server\share\; percent escapes are UTF-8.
#pragma once

#include <memory>

#include "platform/InternetSession.h"
#include "platform/win32/Win32.h"

namespace kolo {

class LocalFolderSession : public InternetSession {
public:
    explicit LocalFolderSession(std::unique_ptr<InternetSession> network)
        : network_(std::move(network)) {}

    std::optional<std::string> ReadPage(const std::string& url) override;
    std::optional<std::vector<std::uint8_t>> FetchPicture(const std::string& url) override;
    void Abort() override;

    // A larger file is refused, as a larger download is.
    static constexpr auto kPictureLimit = static_cast<std::uint64_t>(TransferLimits{}.pictureBytes);

private:
    std::unique_ptr<InternetSession> network_;
};

// The Windows path a file:// address names; empty when `url` is not a file:// address or
// its escapes are not UTF-8.
std::wstring PathOfFileUrl(const std::string& url);

// The file:// address of a plain local path ("C:\pictures", "\\server\share"), the text as
// UTF-8 with every byte outside letters, digits and "-._~" percent-encoded; `path` itself
// when it is not a plain local path.
std::wstring FileUrlOfPath(const std::wstring& path);

}  // namespace kolo

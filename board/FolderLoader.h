// FolderLoader: how a board's folder gets loaded. The board calls StartLoad from SetImageURL
// with the folder's address (ending in "/") and the number of this load; the loader reads
// the page, fetches and prepares the pictures (FolderPictures.h) and hands the results to
// the board on the board's own thread, in this order:
//
//   board.BeginFolder(load, links)           once the page is read (not when it failed)
//   board.AddFolderPicture(load, picture, name)  once per link, in page order; empty = failed
//   board.FinishFolder(load, reason)         always last; reason "" unless the page failed
//                                            or the load ran out of time
//
// A whole load is bounded in time (kFolderTimeLimit, from StartLoad): a folder whose server
// keeps serving pictures slowly, each within its own transfer limits, would otherwise keep the
// busy cursor for hours. Past it the loader gives up with FolderTimeLimitReason, and the
// pictures that arrived stay.
//
// The board ignores results of any load but its latest, so a late picture never lands on a
// newer folder; a loader should still stop work that nobody will use (CancelLoad).
//
// A host with no loader (a browser page that fetches in script) calls SetImageURL and then
// drives the same three board calls itself with CurrentLoad().
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/InternetSession.h"

namespace kolo {

class ColouringBoard;

// Opens one internet session; null when the host has no network.
using SessionFactory = std::function<std::unique_ptr<InternetSession>()>;

constexpr std::chrono::milliseconds kFolderTimeLimit = std::chrono::minutes(10);

// The message of a load that ran out of `limit`.
std::string FolderTimeLimitReason(std::chrono::milliseconds limit);

class FolderLoader {
public:
    virtual ~FolderLoader() = default;
    // The whole time a load may take (kFolderTimeLimit unless a test shortens it); applies
    // to the loads started after.
    void SetTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }
    std::chrono::milliseconds TimeLimit() const { return timeLimit_; }
    // Starts loading `folderUrl` as load number `load` of `board`, cancelling any load before.
    virtual void StartLoad(ColouringBoard& board, std::uint32_t load, const std::string& folderUrl) = 0;
    // Stops the load in progress; nothing more of it reaches the board.
    virtual void CancelLoad() = 0;
    // The detail the board holds the picture on its canvas at (it says so whenever it
    // changes): the picture that goes on the canvas is prepared at it too, while the loader
    // prepares it, so that the board's thread only puts it there. Read by any thread.
    void SetDetail(int detail) { detail_->store(detail); }
    int Detail() const { return detail_->load(); }

protected:
    // Shared with the loads, which may outlive the loader.
    std::shared_ptr<const std::atomic<int>> SharedDetail() const { return detail_; }

private:
    std::chrono::milliseconds timeLimit_ = kFolderTimeLimit;
    std::shared_ptr<std::atomic<int>> detail_ = std::make_shared<std::atomic<int>>(1);
};

// The whole load inside StartLoad, on the caller's thread: the board has its pictures when
// StartLoad returns. For tests, and for hosts that may block. The time limit is checked
// before each picture, so a load may pass it by one picture's transfer limit.
class SequentialFolderLoader : public FolderLoader {
public:
    explicit SequentialFolderLoader(SessionFactory openSession)
        : openSession_(std::move(openSession)) {}
    void StartLoad(ColouringBoard& board, std::uint32_t load, const std::string& folderUrl) override;
    void CancelLoad() override {}

private:
    SessionFactory openSession_;
};

}  // namespace kolo

// ThreadedFolderLoader: the folder loader of hosts with threads. StartLoad returns at once;
// one thread reads the page, then `workers` threads (each with its own internet session)
// fetch and prepare the pictures, so downloads overlap and decoding runs on every worker,
// while the first watches the load's time limit. The picture that goes on the canvas is
// prepared at the board's detail too (FolderLoader::SetDetail), and the pictures after it
// wait to be decoded until it is ready, so that a child sees it as soon as the machine can
// make it.
// Results reach the board in page order through `postToHost`, which must run the task it is
// given later on the board's thread (a GLib main-context call, a posted window message, a
// queue the host drains); it may be called from any thread.
//
// Cancelling (CancelLoad, a new StartLoad, destruction) aborts the transfers in flight and
// drops every result of the old load, including tasks already posted and not yet run. The
// destructor waits for the loader's threads, which end within moments (a picture being
// decoded is finished first); it must run on the board's thread before the board is
// destroyed. A host whose network calls may stay blocked after an abort (WinINet under Wine
// ends a blocked call only at its stall limit) calls LeaveThreadsOnEnd: the destructor then
// waits for nobody, and each load's thread ends on its own when its calls return. Memory held at once: `workers` pictures being decoded at full size, and the
// prepared ones waiting for their turn in page order, kept as the board keeps them
// (FolderPicture), so within the folder's budget; and the picture for the canvas at detail,
// which the board holds in place of fitting it itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "board/FolderLoader.h"

namespace kolo {

// Runs a task later on the host's thread.
using HostPoster = std::function<void(std::function<void()>)>;
// Taken when a load's thread starts and dropped as its last act: what must outlive the
// thread (a module's lock on its code).
using ThreadHold = std::function<std::shared_ptr<void>()>;

// Decoding workers for this machine: as many as it has cores, at most 4.
int DefaultWorkerCount();

class ThreadedFolderLoader : public FolderLoader {
public:
    ThreadedFolderLoader(SessionFactory openSession, HostPoster postToHost,
                         int workers = DefaultWorkerCount());
    ~ThreadedFolderLoader() override;
    ThreadedFolderLoader(const ThreadedFolderLoader&) = delete;
    ThreadedFolderLoader& operator=(const ThreadedFolderLoader&) = delete;

    void StartLoad(ColouringBoard& board, std::uint32_t load, const std::string& folderUrl) override;
    void CancelLoad() override;
    // From now on the destructor cancels and leaves running threads to end on their own;
    // each holds what `hold` gives until it ends. The poster must then stay safe to call
    // after the loader and the board are gone (dropping the task), as it still may be.
    void LeaveThreadsOnEnd(ThreadHold hold) { hold_ = std::move(hold); }

    struct Job;   // one load's shared state

private:
    // Joins the threads of loads that have ended.
    void Reap(bool all);

    SessionFactory openSession_;
    HostPoster postToHost_;
    int workers_;
    ThreadHold hold_;   // set: threads are left, not waited for, at the end
    std::shared_ptr<Job> current_;
    std::vector<std::pair<std::shared_ptr<Job>, std::thread>> threads_;
};

}  // namespace kolo

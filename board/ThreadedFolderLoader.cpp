#include "board/ThreadedFolderLoader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "board/ColouringBoard.h"
#include "board/FolderPictures.h"

namespace kolo {

struct ThreadedFolderLoader::Job {
    ColouringBoard* board;   // touched only by tasks run on the host's thread
    std::uint32_t load;
    std::string folderUrl;
    std::chrono::steady_clock::time_point deadline;   // the whole load ends by then
    HostPoster post;
    std::vector<std::unique_ptr<InternetSession>> sessions;   // one per worker, made up front
    std::shared_ptr<const std::atomic<int>> detail;   // the board's, for the canvas's picture

    std::atomic<bool> cancelled{false};
    std::atomic<bool> ended{false};

    std::mutex mutex;   // guards what follows
    std::condition_variable progress;   // a result was posted, or the load was cancelled
    bool gaveUp = false;   // out of time: the end is posted, later results are dropped
    std::vector<PictureLink> links;
    std::size_t nextToFetch = 0;
    std::vector<std::optional<PreparedPicture>> ready;   // prepared, waiting for their turn
    std::size_t nextToPost = 0;
    bool canvasFound = false;   // a picture that decoded was posted: the canvas has its own
    FolderBudget budget;

    // Posts a task that reaches the board only while this load is still wanted.
    void Post(std::function<void(ColouringBoard&)> step) {
        post([self = this, keep = holder.lock(), step = std::move(step)]() {
            if (!keep || self->cancelled) return;
            step(*self->board);
        });
    }
    std::weak_ptr<Job> holder;

    void AbortTransfers() {
        for (const auto& session : sessions) {
            if (session) session->Abort();
        }
    }

    void Cancel() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            cancelled = true;
        }
        progress.notify_all();
        AbortTransfers();
    }

    // Posts, in page order, every picture whose turn has come; then the end of the load.
    // Called with `mutex` held, so that posts keep their order.
    void PostReady() {
        if (gaveUp) return;
        while (nextToPost < ready.size() && ready[nextToPost]) {
            auto shared = std::make_shared<PreparedPicture>(std::move(*ready[nextToPost]));
            ready[nextToPost].reset();
            ++nextToPost;
            if (shared->picture.HasPicture()) canvasFound = true;
            const std::uint32_t number = load;
            std::string name = links[nextToPost - 1].name;
            Post([number, shared, name](ColouringBoard& board) {
                board.AddFolderPicture(number, std::move(shared->picture), name, shared->leftOut,
                                       std::move(shared->detailed));
            });
        }
        if (nextToPost == ready.size()) {
            const std::uint32_t number = load;
            Post([number](ColouringBoard& board) { board.FinishFolder(number, ""); });
        }
    }

    // Until the picture that goes on the canvas is known, a fetched picture waits for those
    // before it: the one a child sees first is decoded with the machine to itself rather than
    // beside the pictures after it. True when picture `index` is that one: every picture
    // before it failed.
    bool WaitForCanvas(std::size_t index) {
        std::unique_lock<std::mutex> lock(mutex);
        progress.wait(lock, [&] { return cancelled || gaveUp || canvasFound || nextToPost >= index; });
        return !cancelled && !gaveUp && !canvasFound;
    }

    void Work(InternetSession* session) {
        PictureScratch scratch;
        if (session != nullptr) session->EnterFolder(folderUrl);
        for (;;) {
            std::size_t index;
            PictureLink link;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (cancelled || nextToFetch >= links.size()) return;
                index = nextToFetch++;
                link = links[index];
            }
            PreparedPicture picture;
            if (session != nullptr) {
                std::optional<std::vector<std::uint8_t>> bytes = session->FetchPicture(link.address);
                const bool forCanvas = bytes && WaitForCanvas(index);
                if (bytes && !cancelled) {
                    picture = PrepareFolderPicture(std::move(*bytes), link.name, index,
                                                   kCanvasRect.Width(), kCanvasRect.Height(), budget,
                                                   &scratch, forCanvas ? detail->load() : 1);
                }
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (cancelled) return;
                ready[index] = std::move(picture);
                PostReady();
            }
            progress.notify_all();
        }
    }

    // Waits until every result is posted, the load is cancelled or its time is up; then
    // gives up on what is left: the end goes to the board with the reason, the transfers in
    // flight are aborted and whatever they bring is dropped.
    void Supervise(std::chrono::milliseconds limit) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            if (progress.wait_until(lock, deadline,
                                    [this] { return cancelled || nextToPost == ready.size(); })) {
                return;
            }
            gaveUp = true;
            nextToFetch = links.size();
            const std::uint32_t number = load;
            Post([number, reason = FolderTimeLimitReason(limit)](ColouringBoard& board) {
                board.FinishFolder(number, reason);
            });
        }
        progress.notify_all();   // workers waiting for the canvas's picture go on
        AbortTransfers();
    }

    void Run(int workers, std::chrono::milliseconds limit) {
        FolderPage page = ReadFolderPage(sessions.empty() ? nullptr : sessions[0].get(), folderUrl);
        if (cancelled) {
            ended = true;
            return;
        }
        if (!page.failure.empty()) {
            const std::uint32_t number = load;
            Post([number, reason = page.failure](ColouringBoard& board) {
                board.FinishFolder(number, reason);
            });
            ended = true;
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            links = std::move(page.links);
            ready.resize(links.size());
            const std::uint32_t number = load;
            const std::size_t count = links.size();
            const std::size_t ignored = page.ignored;
            const bool cut = page.cut;
            Post([number, count, ignored, cut](ColouringBoard& board) {
                board.BeginFolder(number, count, ignored, cut);
            });
            if (links.empty()) PostReady();   // nothing to fetch: the end at once
        }
        const int count = std::min<int>(workers, static_cast<int>(links.size()));
        std::vector<std::thread> helpers;
        for (int i = 0; i < count; ++i) {
            InternetSession* session = static_cast<std::size_t>(i) < sessions.size()
                                           ? sessions[static_cast<std::size_t>(i)].get()
                                           : nullptr;
            helpers.emplace_back([this, session] { Work(session); });
        }
        Supervise(limit);
        for (std::thread& helper : helpers) helper.join();
        ended = true;
    }
};

int DefaultWorkerCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 4u));
}

ThreadedFolderLoader::ThreadedFolderLoader(SessionFactory openSession, HostPoster postToHost,
                                           int workers)
    : openSession_(std::move(openSession)),
      postToHost_(std::move(postToHost)),
      workers_(std::max(1, workers)) {}

ThreadedFolderLoader::~ThreadedFolderLoader() {
    CancelLoad();
    if (!hold_) {
        Reap(true);
        return;
    }
    Reap(false);
    // The jobs own everything their threads touch; the board only through posted tasks,
    // which a cancelled job's tasks never reach.
    for (auto& entry : threads_) entry.second.detach();
    threads_.clear();
}

void ThreadedFolderLoader::CancelLoad() {
    if (current_) current_->Cancel();
    current_.reset();
}

void ThreadedFolderLoader::Reap(bool all) {
    auto it = threads_.begin();
    while (it != threads_.end()) {
        if (all || it->first->ended) {
            it->second.join();
            it = threads_.erase(it);
        } else {
            ++it;
        }
    }
}

void ThreadedFolderLoader::StartLoad(ColouringBoard& board, std::uint32_t load,
                                     const std::string& folderUrl) {
    CancelLoad();
    Reap(false);
    auto job = std::make_shared<Job>();
    job->holder = job;
    job->board = &board;
    job->load = load;
    job->folderUrl = folderUrl;
    job->post = postToHost_;
    job->detail = SharedDetail();
    const std::chrono::milliseconds limit = TimeLimit();
    job->deadline = std::chrono::steady_clock::now() + limit;
    // Sessions are opened here, on the host's thread, so that a host's factory need not be
    // thread-safe.
    for (int i = 0; i < workers_ && openSession_; ++i) {
        std::unique_ptr<InternetSession> session = openSession_();
        if (!session) break;
        job->sessions.push_back(std::move(session));
    }
    const int workers = workers_;
    // The hold goes with the thread's function object, the last thing the thread destroys.
    std::shared_ptr<void> hold = hold_ ? hold_() : nullptr;
    std::thread thread([job, workers, limit, hold]() mutable {
        job->Run(workers, limit);
        job.reset();
    });
    threads_.emplace_back(job, std::move(thread));
    current_ = std::move(job);
}

}  // namespace kolo

#include "platform/ReplaceBatch.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <system_error>

namespace verdo {

namespace {

// Enough threads for the file system to gather their syncs into one commit.
constexpr std::size_t kWorkers = 8;
// Pages written and waiting for their sync (their file and folder stay open
// meanwhile), and folders renamed into and waiting for theirs: past that
// many, the one waiting longest is synced early (and again later, if more of
// its pages follow). Both stay well within the descriptors a process may have.
constexpr std::size_t kMostWaiting = 64;

std::size_t WaitingAtMost() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kMostWaiting;
  return std::clamp<std::size_t>(static_cast<std::size_t>(limit.rlim_cur) / 16, 1, kMostWaiting);
}

}  // namespace

ReplaceBatch::ReplaceBatch(OnFailure failed, OnPageFailed pageFailed)
    : failed_(std::move(failed)), pageFailed_(std::move(pageFailed)), waiting_(WaitingAtMost()) {}

ReplaceBatch::~ReplaceBatch() { Finish(); }

void ReplaceBatch::Add(PendingReplace pending) {
  {
    std::unique_lock lock(mutex_);
    try {
      // Each holds a page's descriptors too: with few to be had, none.
      while (workers_.size() < std::min(kWorkers, waiting_ / 2)) workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // No more threads to be had: the ones there do the work, or this one.
    }
    if (workers_.empty()) {
      lock.unlock();
      Commit(pending);
      TellFailures();
      return;
    }
    room_.wait(lock, [this] { return queue_.size() < waiting_; });
    underWay_.push_back({pending.FolderDevice, pending.FolderInode, pending.Leaf});
    queue_.push_back(std::move(pending));
  }
  work_.notify_one();
  TellFailures();
}

void ReplaceBatch::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;
    PendingReplace pending = std::move(queue_.front());
    queue_.pop_front();
    room_.notify_one();
    lock.unlock();
    const Name name{pending.FolderDevice, pending.FolderInode, pending.Leaf};
    Commit(pending);
    Done(name);
    lock.lock();
  }
}

void ReplaceBatch::Done(const Name& name) {
  {
    const std::lock_guard lock(mutex_);
    underWay_.erase(std::find(underWay_.begin(), underWay_.end(), name));
  }
  done_.notify_all();
}

OpenedPage ReplaceBatch::Resolve(const std::string& path) {
  OpenedPage page = OpenedPage::Resolve(path);
  struct stat folder;
  if (!page.folder_.Valid() || ::fstat(page.folder_.Get(), &folder) != 0) return page;
  const Name name{folder.st_dev, folder.st_ino, page.leaf_};
  const auto settled = [&] { return std::find(underWay_.begin(), underWay_.end(), name) == underWay_.end(); };
  std::unique_lock lock(mutex_);
  if (settled()) return page;
  done_.wait(lock, settled);
  lock.unlock();
  // What the name held has been replaced meanwhile: looked up afresh.
  return OpenedPage::Resolve(path);
}

void ReplaceBatch::Commit(PendingReplace& pending) {
  if (const Outcome committed = CommitPending(pending); !committed) {
    Fail(pending.Shown, committed.Reason, {pending.Shown});
    return;
  }
  std::unique_lock lock(mutex_);
  const auto same = [&pending](const Folder& folder) {
    return folder.Device == pending.FolderDevice && folder.Inode == pending.FolderInode;
  };
  const auto folder = std::find_if(folders_.begin(), folders_.end(), same);
  if (folder != folders_.end()) {
    if (pageFailed_) folder->Pages.push_back(pending.Shown);
    return;
  }
  folders_.push_back({pending.FolderDevice, pending.FolderInode, std::move(pending.Folder), pending.FolderShown, {}});
  if (pageFailed_) folders_.back().Pages.push_back(pending.Shown);
  if (folders_.size() <= waiting_) return;
  Folder oldest = std::move(folders_.front());
  folders_.erase(folders_.begin());
  lock.unlock();
  Sync(oldest);
}

void ReplaceBatch::Sync(Folder& folder) {
  if (const Outcome synced = SyncFolder(folder.Fd.Get()); !synced)
    Fail(folder.Shown, synced.Reason, std::move(folder.Pages));
  folder.Pages.clear();
}

void ReplaceBatch::Fail(const std::string& name, const std::string& reason, std::vector<std::string> pages) {
  const std::lock_guard lock(mutex_);
  failures_.push_back({name, reason, std::move(pages)});
  anyFailed_ = true;
}

void ReplaceBatch::TellFailures() {
  std::vector<Failure> told;
  {
    const std::lock_guard lock(mutex_);
    told.swap(failures_);
  }
  for (const Failure& failure : told) {
    if (failed_) failed_(failure.Name, failure.Reason);
    if (pageFailed_)
      for (const std::string& page : failure.Pages) pageFailed_(page);
  }
}

bool ReplaceBatch::Finish() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
  // Every page is renamed now: each folder's sync makes its renames last.
  std::vector<Folder> folders;
  {
    const std::lock_guard lock(mutex_);
    folders.swap(folders_);
    stopping_ = false;
  }
  for (Folder& folder : folders) Sync(folder);
  TellFailures();
  return !anyFailed_;
}

}  // namespace verdo

// Many pages replaced in one command, at the speed of the disk: each page's
// new file is synced (and then renamed over the page) on one of a few
// threads, so that the file system commits many syncs in one go, and each
// folder is synced once, after its pages are renamed. Every page is still
// its old or its new self at every instant; the command reports success only
// once Finish has synced every folder.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileAccess.h"

namespace verdo {

// A complete new file waiting to take a page's place.
struct PendingReplace {
  Descriptor File;        // written, its metadata set, not yet synced
  std::string Temporary;  // its name, when it couldn't be made without one
  Descriptor Folder;      // the page's folder, open for its sync
  dev_t FolderDevice = 0;
  ino_t FolderInode = 0;
  std::string Leaf;         // the page's name in its folder
  std::string Shown;        // the page, as messages name it
  std::string FolderShown;  // its folder, as messages name it
};

// The steps a replace ends with: the file synced, named in its folder and
// renamed over the page; and a folder's sync.
Outcome CommitPending(PendingReplace& pending);
Outcome SyncFolder(int folder);

class ReplaceBatch {
 public:
  // Told of each page or folder whose last steps failed, with the reason,
  // always on the thread that calls Add or Finish.
  using OnFailure = std::function<void(const std::string& name, const std::string& reason)>;
  // Told, after its failure, of each page whose replace didn't finish: its
  // own last steps failed, or the sync of the folder it was renamed into
  // (the page is new, but not for sure on disk).
  using OnPageFailed = std::function<void(const std::string& page)>;
  explicit ReplaceBatch(OnFailure failed, OnPageFailed pageFailed = {});
  ReplaceBatch(const ReplaceBatch&) = delete;
  ReplaceBatch& operator=(const ReplaceBatch&) = delete;
  ~ReplaceBatch();

  void Add(PendingReplace pending);
  // Looks a page up as OpenedPage::Resolve does, once any replace of that
  // same file still under way in this batch is done: a page named twice (or
  // through a link) is read as the batch left it, as if one by one.
  OpenedPage Resolve(const std::string& path);
  // Waits for every page, then syncs each folder not synced yet. False when
  // any page or folder failed (each one told to OnFailure).
  bool Finish();

 private:
  struct Folder {
    dev_t Device;
    ino_t Inode;
    Descriptor Fd;
    std::string Shown;
    std::vector<std::string> Pages;  // renamed into it since its last sync, when pageFailed_ wants them
  };
  struct Name {
    dev_t Device;
    ino_t Inode;
    std::string Leaf;
    bool operator==(const Name&) const = default;
  };
  void Work();
  void Done(const Name& name);
  void Commit(PendingReplace& pending);
  void Sync(Folder& folder);
  void Fail(const std::string& name, const std::string& reason, std::vector<std::string> pages);
  void TellFailures();

  OnFailure failed_;
  OnPageFailed pageFailed_;
  std::size_t waiting_;  // pages, and folders, waiting for their sync at most
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable room_;
  std::deque<PendingReplace> queue_;
  std::vector<std::thread> workers_;
  std::condition_variable done_;
  std::vector<Name> underWay_;   // pages queued or being renamed
  std::vector<Folder> folders_;  // renamed into, waiting for their sync, oldest first
  struct Failure {
    std::string Name;
    std::string Reason;
    std::vector<std::string> Pages;
  };
  std::vector<Failure> failures_;  // not told yet
  bool stopping_ = false;
  bool anyFailed_ = false;
};

}  // namespace verdo

// What a command that works through many pages tells on stderr: how far it
// has got, while it runs long on a terminal, and what it did, at its end.
#pragma once

#include <chrono>
#include <cstddef>

namespace verdo::cli {

class RunReport {
 public:
  enum class Page { Changed, Unchanged, Refused };

  // Nothing at all when `quiet`. Progress ("verdo-cli: 120 of 20000
  // pages", one line redrawn in place) only when stderr is a terminal and
  // the run has taken a second (VERDO_PROGRESS_AFTER=SECONDS sets that,
  // for tests); a summary when there is more than one page.
  RunReport(std::size_t total, bool quiet, bool dryRun);

  // After each page.
  void Count(Page page);
  // Pages counted as changed whose writes failed after all, when the disk
  // had the last word: counted as refused.
  void RefuseChanged(std::size_t pages);
  // Takes the progress line away, so that a message or a diff can be
  // printed; the next count draws it again.
  void Clear();
  // "verdo-cli: 3 pages: 2 changed, 1 unchanged, 0 refused".
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;

  std::size_t total_;
  std::size_t counts_[3] = {};
  bool quiet_;
  bool dryRun_;
  bool terminal_;
  bool shown_ = false;
  Clock::time_point start_ = Clock::now();
  Clock::duration after_;
  Clock::time_point drawn_;
};

}  // namespace verdo::cli

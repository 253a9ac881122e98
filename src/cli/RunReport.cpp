#include "cli/RunReport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace verdo::cli {

namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

std::chrono::steady_clock::duration ProgressAfter() {
  const char* text = std::getenv("VERDO_PROGRESS_AFTER");
  char* end = nullptr;
  const double seconds = text && *text ? std::strtod(text, &end) : 1.0;
  const bool valid = !text || !*text || (*end == '\0' && seconds >= 0 && seconds < 1e6);
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(valid ? seconds : 1.0));
}

void Put(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace

RunReport::RunReport(std::size_t total, bool quiet, bool dryRun)
    : total_(total), quiet_(quiet), dryRun_(dryRun), terminal_(::isatty(STDERR_FILENO) == 1), after_(ProgressAfter()) {}

void RunReport::Count(Page page) {
  ++counts_[static_cast<int>(page)];
  if (quiet_ || !terminal_ || total_ < 2) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < after_ || (shown_ && now - drawn_ < kRedrawEvery)) return;
  const std::size_t done = counts_[0] + counts_[1] + counts_[2];
  Put("\rverdo-cli: " + std::to_string(done) + " of " + std::to_string(total_) + " pages\033[K");
  shown_ = true;
  drawn_ = now;
}

void RunReport::RefuseChanged(std::size_t pages) {
  pages = std::min(pages, counts_[0]);
  counts_[0] -= pages;
  counts_[2] += pages;
}

void RunReport::Clear() {
  if (!shown_) return;
  Put("\r\033[K");
  shown_ = false;
}

void RunReport::Finish() {
  Clear();
  if (quiet_ || total_ < 2) return;
  Put("verdo-cli: " + std::to_string(total_) + " pages: " + std::to_string(counts_[0]) +
      (dryRun_ ? " to change, " : " changed, ") + std::to_string(counts_[1]) + " unchanged, " +
      std::to_string(counts_[2]) + " refused" + (dryRun_ ? " (dry run: nothing written)\n" : "\n"));
}

}  // namespace verdo::cli

// Text files on disk: CR LF line ends there, LF in memory. Reads and writes
// go through the file layer (FileAccess.h): only regular files are read,
// every read is bounded, and every write replaces its target safely.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/form/MetaTagForm.h"
#include "core/pages/ExportLoss.h"
#include "core/pages/PageCharset.h"
#include "core/site/KeptHead.h"
#include "core/text/LineSplitter.h"
#include "platform/FileAccess.h"
#include "platform/Outcome.h"

namespace verdo {

// No template comes near this size; a file that does is not one.
constexpr std::uint64_t kMaxTemplateBytes = std::uint64_t{64} << 20;

// Replaces the file at `path` with `text`, each LF written as CR LF (see
// ReplaceFile for what is refused and what is kept).
Outcome WriteTextFile(const std::string& path, std::string_view text);

// Calls onLine with each line of the open file that ends with LF, the LF
// included, in order, from the file's start (a pipe's: from where it
// stands), until onLine returns false. Bytes after the last LF form no line.
// A line longer than LineSplitter::kDefaultKept comes cut to its start, with
// `whole` false, so a hostile file can't fill the memory. A read error is a
// failure, and so is a file of more than `maxBytes`: what it holds past that
// is never read.
Outcome ForEachFileLine(int fd, const LineSplitter::OnLine& onLine, std::uint64_t maxBytes);
// The same for the regular file at `path`.
Outcome ForEachFileLine(const std::string& path, const LineSplitter::OnLine& onLine, std::uint64_t maxBytes);

// Load: each complete line of the template file at `path` applied to the
// form in order, `applied` called after each. A template larger than
// kMaxTemplateBytes is refused before any line is applied.
Outcome ApplyTemplateFile(const std::string& path, MetaTagForm& form, const std::function<void()>& applied = {});
// The same for an open file or pipe, read from where it stands; past
// kMaxTemplateBytes it fails, with the lines before applied.
Outcome ApplyTemplateFile(int fd, MetaTagForm& form, const std::function<void()>& applied = {});

// A page opened for Export. Opening it scans it up to the line that closes
// its head section; the file stays open, and the part of it that the
// exported page keeps is copied in pieces when the new page is written, so
// a page of any size is never held in memory.
class ExportSource {
 public:
  enum class Status {
    Read,        // read and scanned
    Missing,     // no file of that name (yet)
    Unreadable,  // there is a file, but it isn't a regular file, can't be opened or read, or is in UTF-16 or UTF-32
  };

  explicit ExportSource(const std::string& path);
  // The page looked up already (see OpenedPage): read and replaced there.
  explicit ExportSource(OpenedPage page);
  ExportSource(const ExportSource&) = delete;
  ExportSource& operator=(const ExportSource&) = delete;

  Status State() const { return status_; }
  // Why the page is unreadable.
  const std::string& Reason() const { return reason_; }
  // A closing line with at least one byte after it.
  bool Found() const { return found_; }
  // The page's encoding, from its byte-order mark, a declaration in the head
  // part, or its bytes (UTF-8 when all of the page is, with some non-ASCII).
  const PageCharset& Charset() const { return charset_; }
  // The page as looked up, to read again or replace without looking it up again.
  OpenedPage& Page() { return page_; }

  // Writes the exported page to `target`: `start` (the new head section, LF
  // line ends), then what stays of this page (the tail after the closing line
  // when found, the whole page when not, nothing when it is missing), with
  // CR LF line ends, replacing the target safely as WriteTextFile does.
  // Fails when the page can't be read back or the target can't be written;
  // the target is then left as it was. Never writes over an unreadable page.
  // A target of the page's own name is the page looked up when it was read,
  // not the name looked up again. Within a batch, the batch ends the write.
  Outcome WriteExport(const std::string& target, std::string_view start, ReplaceBatch* batch = nullptr);

  // Replaces the page, the one looked up when it was read, with `bytes`
  // exactly (see WriteExport).
  Outcome WritePage(std::string_view bytes, ReplaceBatch* batch = nullptr);

  // The bytes WriteExport would write, handed to `take` in pieces, in order;
  // stops at the first piece `take` fails on.
  using Take = std::function<Outcome(std::string_view piece)>;
  Outcome Produce(std::string_view start, const Take& take);
  // Whether WriteExport would write the bytes the page holds now (false for
  // a missing page); a read error is a failure.
  Outcome SameAsPage(std::string_view start, bool& same);
  // What replacing the whole head section would lose, read without holding
  // the page: only the head part is parsed, up to the parser's bound (a
  // longer one counts as losing text); for a page whose closing line wasn't
  // found, only whether anything but white space follows its byte-order
  // mark, looked at piece by piece. A read error is a failure.
  Outcome FindLoss(HeadLoss& loss);
  // The whole page, as it is on disk, into `bytes`; false when it is larger
  // than `maxBytes` or can't be read.
  bool ReadWhole(std::string& bytes, std::uint64_t maxBytes);
  // Where the head part ends: the tail's first byte when found.
  std::uint64_t HeadPartEnd() const { return keepFrom_; }

 private:
  Outcome CopyKeptPart(const Take& take);

  OpenedPage page_;
  Status status_ = Status::Unreadable;
  std::string reason_;
  std::uint64_t keepFrom_ = 0;  // where the kept part begins, in bytes of the file
  bool found_ = false;
  PageCharset charset_;
};

// What replacing the whole head section of the page that `source` read,
// whose bytes `page` holds, would lose (as source.FindLoss tells it).
HeadLoss WholeHeadLoss(std::string_view page, const ExportSource& source);
// The same for a page cut as CutForExport (ExportPage.h) tells: whether its
// closing line was found, where its head part ends, its byte-order mark.
HeadLoss WholeHeadLoss(std::string_view page, bool found, std::size_t headPartEnd, std::size_t bom);

// The page with `headBlock` (Windows-1252) in place of the head block's own
// elements of `fields`, as export --keep-head and Export's Keep Them write
// it, or the reason it can't be: a head too long for the parser to read
// whole, or a title without an end tag. Either way "Error Saving File".
struct KeptHead {
  std::optional<std::string> Page;
  std::string Reason;
};
KeptHead KeepHeadOf(std::string_view page, const PageCharset& charset, std::string_view headBlock,
                    const OwnedFields& fields = OwnedFields::All());

// Export of a head block into the page at `path`, the whole sequence: the
// page is opened (`opened` is told how that went), and unless it is there
// but unreadable, `headBlock` is asked for the block, which is written into
// the page with the credits when its head section was found.
//
// With `ask`, a page that replacing its whole head section would lose
// something of (ExportLoss.h) is first shown to it, and its answer decides:
// the whole head replaced, only the head block's own elements (as export
// --keep-head does, in the page's encoding and line ends), or nothing
// written. Only Keep Them reads the page whole: a page too large for that
// is refused, with nothing written.
struct ExportResult {
  enum class Step { Done, Opening, Saving, Cancelled };
  Step Failed = Step::Done;  // Cancelled: the answer was Cancel, and nothing was written
  std::string Reason;
};
using HeadLossAsker = std::function<HeadLossAnswer(const HeadLoss& loss)>;
// Within a batch, the batch ends the write and reports its last failures.
ExportResult ExportIntoPage(const std::string& path, const std::function<void(ExportSource::Status)>& opened,
                            const std::function<std::string()>& headBlock, const HeadLossAsker& ask = {},
                            ReplaceBatch* batch = nullptr);

}  // namespace verdo

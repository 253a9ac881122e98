#include "platform/TextFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

#include "core/pages/ExportPage.h"
#include "core/site/HeadExtent.h"
#include "core/site/KeptHead.h"
#include "core/templates/Template.h"
#include "core/text/CrLfStream.h"
#include "core/text/Text.h"
#include "platform/Charset.h"
#include "platform/HtmlOutline.h"
#include "platform/PageFile.h"

namespace verdo {

namespace {

// Large enough that the system calls cost little next to the copying, small
// enough that a page of any size runs in a few MiB.
constexpr std::size_t kChunk = 1 << 20;

Outcome FailedWithErrno() { return Outcome::Failed(ErrorText(errno)); }

Outcome TooLarge(std::uint64_t maxBytes) {
  return Outcome::Failed("larger than " + std::to_string(maxBytes / kMiB) + " MiB");
}

Outcome WriteBytes(int fd, std::string_view bytes) {
  return WriteAll(fd, bytes.data(), bytes.size()) ? Outcome::Done() : FailedWithErrno();
}

}  // namespace

Outcome WriteTextFile(const std::string& path, std::string_view text) {
  const std::string bytes = LfToCrLf(text);
  return ReplaceFile(path, [&](int fd) { return WriteBytes(fd, bytes); });
}

Outcome ForEachFileLine(int fd, const LineSplitter::OnLine& onLine, std::uint64_t maxBytes) {
  // A pipe has no start to go back to: it is read from where it stands.
  if (::lseek(fd, 0, SEEK_SET) < 0 && errno != ESPIPE) return FailedWithErrno();
  std::vector<char> buffer(kChunk / 4);
  LineSplitter lines;
  std::uint64_t total = 0;
  for (;;) {
    const ssize_t got = ReadSome(fd, buffer.data(), buffer.size());
    if (got < 0) return FailedWithErrno();
    if (got == 0) return Outcome::Done();
    total += static_cast<std::uint64_t>(got);
    if (total > maxBytes) return TooLarge(maxBytes);
    if (!lines.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)), onLine)) return Outcome::Done();
  }
}

Outcome ForEachFileLine(const std::string& path, const LineSplitter::OnLine& onLine, std::uint64_t maxBytes) {
  ReadableFile file = OpenForReading(path);
  if (!file.Result) return file.Result;
  if (file.Size > maxBytes) return TooLarge(maxBytes);
  return ForEachFileLine(file.File.Get(), onLine, maxBytes);
}

namespace {

// A line too long to keep whole is applied with its kept start.
LineSplitter::OnLine TemplateLineApplier(MetaTagForm& form, const std::function<void()>& applied) {
  return [&form, &applied](std::string_view line, bool) {
    ApplyTemplateLine(line, form);
    if (applied) applied();
    return true;
  };
}

}  // namespace

Outcome ApplyTemplateFile(const std::string& path, MetaTagForm& form, const std::function<void()>& applied) {
  return ForEachFileLine(path, TemplateLineApplier(form, applied), kMaxTemplateBytes);
}

Outcome ApplyTemplateFile(int fd, MetaTagForm& form, const std::function<void()>& applied) {
  return ForEachFileLine(fd, TemplateLineApplier(form, applied), kMaxTemplateBytes);
}

ExportSource::ExportSource(const std::string& path) : ExportSource(OpenedPage::Resolve(path)) {}

ExportSource::ExportSource(OpenedPage page) : page_(std::move(page)) {
  if (const Outcome opened = page_.Open(); !opened) {
    status_ = page_.Missing() ? Status::Missing : Status::Unreadable;
    reason_ = opened.Reason;
    return;
  }
  const int file = page_.File();
  std::string buffer(kChunk, '\0');
  HeadEndScanner scanner;
  PageCharsetScanner charset;
  std::uint64_t offset = 0;  // of the buffer's first byte in the file
  const auto unreadable = [this] { reason_ = ErrorText(errno); };
  for (;;) {
    const ssize_t got = ReadSome(file, buffer.data(), buffer.size());
    if (got < 0) {
      unreadable();
      return;
    }
    if (got == 0) break;
    const std::string_view piece(buffer.data(), static_cast<std::size_t>(got));
    // A closing line that runs over pieces and keeps its end in the tail has
    // had its start looked at as head already: a declaration there counts.
    const auto tailStart = scanner.Feed(piece);
    charset.FeedHead(piece.substr(0, tailStart.value_or(piece.size())));
    if (tailStart) {
      keepFrom_ = scanner.TailStart();
      charset.FeedRest(piece.substr(*tailStart));
      // Found only when some byte follows the head part.
      if (keepFrom_ < offset + static_cast<std::uint64_t>(got)) {
        found_ = true;
      } else {
        const ssize_t more = ReadSome(file, buffer.data(), 1);
        if (more < 0) {
          unreadable();
          return;
        }
        found_ = more > 0;
        charset.FeedRest(std::string_view(buffer.data(), static_cast<std::size_t>(more)));
      }
      break;
    }
    offset += static_cast<std::uint64_t>(got);
  }
  // Whether the page is UTF-8 can take the rest of it to tell.
  while (found_ && charset.WantsMore()) {
    const ssize_t got = ReadSome(file, buffer.data(), buffer.size());
    if (got < 0) {
      unreadable();
      return;
    }
    if (got == 0) break;
    charset.FeedRest(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
  }
  charset_ = charset.Result();
  // Cut into lines and written as text, a page of two- or four-byte units
  // would be destroyed: it is refused as a page that can't be read.
  if (IsWideEncoding(charset_.Encoding)) {
    reason_ = "encoded in " + std::string(charset_.Encoding);
    return;
  }
  // Not found: the whole old page stays behind the new head section, less
  // its byte-order mark, which the new start carries.
  if (!found_) keepFrom_ = charset_.BomLength;
  status_ = Status::Read;
}

Outcome ExportSource::CopyKeptPart(const Take& take) {
  const int file = page_.File();
  if (::lseek(file, static_cast<off_t>(keepFrom_), SEEK_SET) < 0) return FailedWithErrno();
  std::string in(kChunk, '\0');
  std::string converted;
  converted.reserve(2 * kChunk);
  CrLfStream convert;
  for (;;) {
    const ssize_t got = ReadSome(file, in.data(), in.size());
    if (got < 0) return FailedWithErrno();
    if (got == 0) return Outcome::Done();
    const auto piece = convert.Converted(std::string_view(in.data(), static_cast<std::size_t>(got)), converted);
    if (Outcome taken = take(piece); !taken) return taken;
  }
}

Outcome ExportSource::Produce(std::string_view start, const Take& take) {
  if (status_ == Status::Unreadable) return Outcome::Failed(reason_);
  Outcome taken = take(LfToCrLf(start));
  if (taken && status_ == Status::Read) taken = CopyKeptPart(take);
  return taken;
}

Outcome ExportSource::WriteExport(const std::string& target, std::string_view start, ReplaceBatch* batch) {
  if (status_ == Status::Unreadable) return Outcome::Failed(reason_);
  const Fill fill = [&](int out) {
    return Produce(start, [out](std::string_view piece) { return WriteBytes(out, piece); });
  };
  if (target == page_.Shown()) return page_.Replace(fill, batch);
  return OpenedPage::Resolve(target).Replace(fill, batch);
}

Outcome ExportSource::WritePage(std::string_view bytes, ReplaceBatch* batch) {
  if (status_ == Status::Unreadable) return Outcome::Failed(reason_);
  return page_.Replace([bytes](int out) { return WriteBytes(out, bytes); }, batch);
}

Outcome ExportSource::SameAsPage(std::string_view start, bool& same) {
  same = status_ == Status::Read;
  if (!same) return status_ == Status::Missing ? Outcome::Done() : Outcome::Failed(reason_);
  // The old bytes are read beside the new ones, at their own offset.
  std::string old;
  std::uint64_t at = 0;
  const Outcome compared = Produce(start, [&](std::string_view piece) {
    old.resize(piece.size());
    for (std::size_t have = 0; same && have < piece.size();) {
      const ssize_t got = ::pread(page_.File(), old.data() + have, piece.size() - have, static_cast<off_t>(at + have));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return FailedWithErrno();
      if (got == 0) same = false;
      have += static_cast<std::size_t>(got);
    }
    same = same && old == piece;
    at += piece.size();
    // Once they differ, there is nothing more to learn.
    return same ? Outcome::Done() : Outcome::Failed("differs");
  });
  if (!same) return Outcome::Done();
  if (!compared) return compared;
  // The same so far: the same when the page has nothing more.
  char more = 0;
  const ssize_t got = ::pread(page_.File(), &more, 1, static_cast<off_t>(at));
  if (got < 0) return FailedWithErrno();
  same = got == 0;
  return Outcome::Done();
}

Outcome ExportSource::FindLoss(HeadLoss& loss) {
  loss = {};
  if (status_ != Status::Read) return Outcome::Done();
  const int file = page_.File();
  if (::lseek(file, 0, SEEK_SET) < 0) return FailedWithErrno();
  // The parser reads no more than this of a head part; what lies past it
  // can't be told harmless.
  const std::uint64_t bound = charset_.BomLength + HeadExtentLimits{}.Bytes;
  const std::uint64_t wanted = found_ ? std::min(keepFrom_, bound) : std::numeric_limits<std::uint64_t>::max();
  std::string head;
  std::string buffer(kChunk, '\0');
  for (std::uint64_t at = 0; at < wanted;) {
    const ssize_t got =
        ReadSome(file, buffer.data(), static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), wanted - at)));
    if (got < 0) return FailedWithErrno();
    if (got == 0) break;
    std::string_view piece(buffer.data(), static_cast<std::size_t>(got));
    if (found_) {
      head.append(piece);
    } else {
      if (at < charset_.BomLength) piece.remove_prefix(std::min<std::size_t>(piece.size(), charset_.BomLength - at));
      if (FindSecondHead(piece).SecondHead) return loss.SecondHead = true, Outcome::Done();
    }
    at += static_cast<std::uint64_t>(got);
  }
  if (!found_) return Outcome::Done();
  loss = FindHeadLoss(OutlineMarkup(head, charset_.BomLength));
  if (keepFrom_ > bound) ++loss.Counts[static_cast<std::size_t>(LostKind::Text)];
  return Outcome::Done();
}

bool ExportSource::ReadWhole(std::string& bytes, std::uint64_t maxBytes) {
  bytes.clear();
  const int file = page_.File();
  if (status_ != Status::Read || ::lseek(file, 0, SEEK_SET) < 0) return false;
  std::string buffer(kChunk, '\0');
  for (;;) {
    const ssize_t got = ReadSome(file, buffer.data(), buffer.size());
    if (got < 0) return false;
    if (got == 0) return true;
    if (bytes.size() + static_cast<std::uint64_t>(got) > maxBytes) return false;
    bytes.append(buffer.data(), static_cast<std::size_t>(got));
  }
}

HeadLoss WholeHeadLoss(std::string_view page, bool found, std::size_t headPartEnd, std::size_t bom) {
  if (!found) return FindSecondHead(page.substr(std::min(bom, page.size())));
  return FindHeadLoss(OutlineMarkup(page.substr(0, headPartEnd), bom));
}

HeadLoss WholeHeadLoss(std::string_view page, const ExportSource& source) {
  return WholeHeadLoss(page, source.Found(), static_cast<std::size_t>(source.HeadPartEnd()),
                       source.Charset().BomLength);
}

KeptHead KeepHeadOf(std::string_view page, const PageCharset& charset, std::string_view headBlock,
                    const OwnedFields& fields) {
  const PageOutline outline = OutlinePage(page, charset.BomLength);
  // What the parser didn't see might hold a title or a meta the form owns.
  if (outline.HeadCut) return {std::nullopt, "its head is too long to be read whole"};
  auto kept = ComposeKeptHeadPage(page, outline, EncodeForPage(headBlock, charset.Encoding), fields);
  if (!kept) return {std::nullopt, "its title has no end tag"};
  return {std::move(kept), {}};
}

namespace {

ExportResult KeepingHead(ExportSource& source, std::string_view page, std::string_view headBlock, ReplaceBatch* batch) {
  const KeptHead kept = KeepHeadOf(page, source.Charset(), headBlock);
  if (!kept.Page) return {ExportResult::Step::Saving, kept.Reason};
  // Nothing to change: the file is left alone, times and all.
  if (*kept.Page == page) return {};
  if (Outcome written = source.WritePage(*kept.Page, batch); !written)
    return {ExportResult::Step::Saving, written.Reason};
  return {};
}

}  // namespace

ExportResult ExportIntoPage(const std::string& path, const std::function<void(ExportSource::Status)>& opened,
                            const std::function<std::string()>& headBlock, const HeadLossAsker& ask,
                            ReplaceBatch* batch) {
  ExportSource source(path);
  if (opened) opened(source.State());
  if (source.State() == ExportSource::Status::Unreadable) return {ExportResult::Step::Opening, source.Reason()};
  const std::string block = headBlock();
  HeadLoss loss;
  if (ask) {
    // A page that can't be read back can't be written either, as WriteExport finds.
    if (const Outcome looked = source.FindLoss(loss); !looked) return {ExportResult::Step::Saving, looked.Reason};
  }
  if (loss.Any()) {
    switch (ask(loss)) {
      case HeadLossAnswer::Cancel: return {ExportResult::Step::Cancelled, {}};
      case HeadLossAnswer::KeepThem: {
        // Its elements are found and kept in the page held whole.
        std::string page;
        errno = 0;
        if (!source.ReadWhole(page, kMaxPageBytes))
          return {ExportResult::Step::Saving,
                  errno != 0 ? ErrorText(errno) : "larger than 64 MiB, too large to keep its head's elements"};
        return KeepingHead(source, page, block, batch);
      }
      case HeadLossAnswer::ReplaceAll: break;
    }
  }
  const std::string start = EncodedExportStart(block, source.Found(), source.Charset());
  if (Outcome written = source.WriteExport(path, start, batch); !written)
    return {ExportResult::Step::Saving, written.Reason};
  return {};
}

}  // namespace verdo

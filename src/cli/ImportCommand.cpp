// verdo-cli import URL [FORM.tem]: the page's title and meta tags applied to
// the form, printed as a template. The page goes into a private temporary
// file, so runs side by side don't collide, and the file is removed after.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "cli/Cli.h"
#include "core/pages/PageImport.h"
#include "platform/Charset.h"
#include "platform/Download.h"

namespace verdo::cli {
namespace {

// A fresh, empty file only this process knows by name; removed on destruction.
class ScratchFile {
 public:
  ScratchFile() {
    const char* folder = std::getenv("TMPDIR");
    path_ = std::string(folder && *folder ? folder : "/tmp") + "/verdo-import-XXXXXX";
    const int fd = ::mkstemp(path_.data());
    if (fd < 0) {
      path_.clear();
    } else {
      ::close(fd);
    }
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

int CmdImport(const Args& args, const Options&) {
  if (args.empty() || args.size() > 2) return UsageError("import takes URL [FORM.tem]");
  const std::string& address = args[0];
  MetaTagForm form;
  if (args.size() == 2 && !LoadForm(args[1], form)) return kFailed;

  ScratchFile page;
  std::string contentType;
  DownloadEvents events;
  events.ContentType = &contentType;
  if (page.Path().empty() || !DownloadToFile(address, page.Path(), events)) {
    ReportFailure(address, "Error Opening File");
    return kFailed;
  }
  const auto toForm = StoredPageDecoder(page.Path(), contentType);
  if (!toForm) {
    ReportFailure(address, "Error Opening File");
    return kFailed;
  }
  const bool opened = ForEachFileLine(page.Path(), [&form, &toForm](std::string_view line, bool whole) {
    return !ApplyPageFileLine(line, whole, form, {}, *toForm);
  });
  if (!opened) {
    ReportFailure(address, "Error Opening File");
    return kFailed;
  }
  Print(TemplateBytes(form));
  return kDone;
}

}  // namespace verdo::cli

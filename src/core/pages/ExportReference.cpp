#include "core/pages/ExportReference.h"

namespace verdo {

PageSplit SplitAtHeadEnd(std::string_view page) {
  PageSplit split;
  HeadEndScanner scanner;
  const auto tailStart = scanner.Feed(page);
  if (tailStart && *tailStart < page.size()) {
    split.HeadPart.assign(page.substr(0, *tailStart));
    split.Tail.assign(page.substr(*tailStart));
    split.Found = true;
  } else {
    split.HeadPart.assign(page);
  }
  return split;
}

std::string ComposeExportPage(std::string_view headBlock, std::string_view headPart, std::string_view tail,
                              bool found) {
  std::string page = ExportPageStart(headBlock, found);
  page += found ? tail : headPart;
  return page;
}

}  // namespace verdo

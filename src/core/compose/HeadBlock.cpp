#include "core/compose/HeadBlock.h"

#include "core/Product.h"

namespace verdo {
namespace {

std::string MetaName(const char* name, const std::string& content) {
  return "\n<META NAME=\"" + std::string(name) + "\" CONTENT=\"" + content + "\">";
}

}  // namespace

std::string ComposeKeywordsContent(const MetaTagForm& form) {
  std::string content = form.Keyword(1);
  for (int n = 2; n <= 16; ++n)
    if (!form.Keyword(n).empty()) content += ", " + form.Keyword(n);
  if (!form.ExtraKeywords.empty()) content += ", " + form.ExtraKeywords;
  return content;
}

std::string ComposeRobotsContent(const MetaTagForm& form) {
  const std::pair<int, const char*> tokens[] = {{form.IndexAll, "indexall"},
                                                {form.NoIndex, "noindex"},
                                                {form.NoImageIndex, "noimageindex"},
                                                {form.NoCache, "nocache"}};
  std::string content;
  for (const auto& [checked, token] : tokens) {
    if (!checked) continue;
    if (!content.empty()) content += ", ";
    content += token;
  }
  return content;
}

std::string ComposeHeadBlock(const MetaTagForm& form, HeadBlockStyle style) {
  std::string block = "<TITLE>" + form.Title + "</TITLE>";
  if (style == HeadBlockStyle::TrapPage) block = "\n" + block + "\n";
  block += MetaName("description", form.Description);
  block += MetaName("keywords", ComposeKeywordsContent(form));
  if (!form.Author.empty()) block += MetaName("author", form.Author);
  if (!form.Copyright.empty()) block += MetaName("copyright", form.Copyright);
  const std::string robots = ComposeRobotsContent(form);
  if (!robots.empty()) block += MetaName("robots", robots);
  if (!form.Expires.empty()) block += "\n<META HTTP-EQUIV=\"expires\" CONTENT=\"" + form.Expires + "\">";
  block += MetaName("distribution", form.Distribution == kDistributionLocal ? "Local" : "Global");
  if (form.Revisit) block += MetaName("revisit-after", "31 days");
  return block;
}

std::string CreditComments() {
  return std::string("\n<!-- Meta Tags Generated with Verdo - Meta Tag Generator.  -->") +
         "\n<!-- More Information:  " + kHomePageUrl + "  -->\n";
}

}  // namespace verdo

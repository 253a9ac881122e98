#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/CMetaApp.h"
#include "core/Product.h"

namespace {

constexpr const char* kUsage =
    "usage: verdo [FILE.tem]\n"
    "  FILE.tem                 start with this template loaded, as the Load button loads it\n"
    "  -Automation, -Embedding  (also --Automation, /Automation, ...; the whole argument, in this case)\n"
    "                           started by the automation system: serve Deri.Didivizavud on the\n"
    "                           D-Bus session bus\n"
    "  --help                   this text\n"
    "  --version                the version\n";

int Print(const char* text) {
  std::fputs(text, stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before the window system is reached: they need no display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) return Print((std::string("verdo ") + verdo::kVersion + "\n").c_str());
    if (std::strcmp(argv[i], "--help") == 0) return Print(kUsage);
  }
  QApplication application(argc, argv);  // takes Qt's own options (-platform, ...) out of argv
  QApplication::setApplicationVersion(QLatin1String(verdo::kVersion));
  CMetaApp theApp(application);
  // The words as the system gave them: a file name needn't be valid UTF-8.
  if (const auto file = verdo::app::TemplateArgument(std::vector<std::string>(argv + 1, argv + argc)))
    theApp.SetStartTemplate(*file);
  return theApp.Run();
}

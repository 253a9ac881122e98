#include <QApplication>

#include <cstdio>
#include <cstring>

#include "app/CMetaApp.h"
#include "core/Product.h"

int main(int argc, char** argv) {
  // Answered before the window system is reached: it needs no display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("verdo %s\n", verdo::kVersion);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
  }
  QApplication application(argc, argv);
  QApplication::setApplicationVersion(QLatin1String(verdo::kVersion));
  CMetaApp theApp(application);
  return theApp.Run();
}

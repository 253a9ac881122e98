#include <QApplication>

#include "app/CMetaApp.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  CMetaApp theApp(application);
  return theApp.Run();
}

// The process entry: one application object, run and freed.
#include "app/Application.h"

int main(int argc, char** argv) {
  app::TApplication application(argc, argv);
  return application.Run();
}

// Program entry: initialise the application object, create the main form, run.
#include "app/AppPro.h"
#include "fireplace/FSettings.h"
#include "platform/Forms.h"

int main(int argc, char** argv) {
  using namespace emberhall;
  for (int i = 1; i < argc; ++i) ParamStrings().push_back(argv[i]);
  TApplication application;
  application.Initialize();
  application.CreateForm<TFormSettings>();
  application.Run();
  return application.MainForm ? application.ExitCode : 1;  // 1: the main form could not be made
}

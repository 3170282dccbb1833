// Program entry: initialise the application object, create the main form, run.
#include <cstdio>
#include <cstdlib>

#include "app/AppPro.h"
#include "app/RunOptions.h"
#include "fireplace/FSettings.h"
#include "platform/Forms.h"

int main(int argc, char** argv) {
  using namespace emberhall;
  for (int i = 1; i < argc; ++i) ParamStrings().push_back(argv[i]);
  try {
    RunOptions() = ExtractRunOptions(ParamStrings());
    ResolveDaemonWindow(RunOptions(), std::getenv("XSCREENSAVER_WINDOW"));
  } catch (const EUsageError& e) {
    const std::string program = ExtractFileName(argv[0]);
    std::fprintf(stderr, "%s: %s\n%s\n", program.c_str(), e.what(), UsageText(program).c_str());
    return 1;
  }
  TApplication application;
  application.Initialize();
  application.CreateForm<TFormSettings>();
  application.Run();
  return application.MainForm ? application.ExitCode : 1;  // 1: the main form could not be made
}

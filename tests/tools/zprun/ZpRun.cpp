// zprun: runs an installer's or an uninstaller's engine without the wizard,
// for tests and benchmarks. Every log line goes to standard output as
// "<percent>\t<text>" (the percent unclamped, the text in UTF-8).
//
//   zprun install INSTALLER [TERMINAL...]
//       stage-0 programs, the installation run into the terminal folders,
//       stage-3 programs
//   zprun uninstall UNINSTALLER [--remove-self]
//       the uninstall run; with --remove-self the uninstaller file and its
//       folder are removed after this process has ended
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "base/Strings.h"
#include "engine/RunUtils.h"
#include "engine/ZpClasses.h"

namespace zp {
namespace {

void PrintLine(TZpData&, const std::u16string& text, int percent) {
  std::printf("%d\t%s\n", percent, WideToUtf8(text).c_str());
  std::fflush(stdout);
}

int Install(const std::string& installer, char** terminals, int count) {
  TZpInstall engine;
  engine.LoadFromFile(installer);
  engine.RunStage(esWizardStart);
  for (int i = 0; i < count; ++i) engine.Targets.push_back(terminals[i]);
  engine.OnProgress = PrintLine;
  engine.Run();
  engine.RunStage(esWizardClose);
  return 0;
}

int Uninstall(const std::string& uninstaller, bool removeSelf) {
  TZpUninstall engine;
  engine.LoadFromFile(uninstaller);
  engine.OnProgress = PrintLine;
  engine.Run();
  if (removeSelf && !StartSelfRemoval(uninstaller, true)) {
    std::fprintf(stderr, "zprun: the self-removal batch did not start\n");
    return 1;
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: zprun install INSTALLER [TERMINAL...]\n"
               "       zprun uninstall UNINSTALLER [--remove-self]\n");
  return 2;
}

}  // namespace
}  // namespace zp

int main(int argc, char** argv) {
  if (argc < 3) return zp::Usage();
  const bool install = !std::strcmp(argv[1], "install");
  const bool uninstall = !std::strcmp(argv[1], "uninstall");
  if (!install && !uninstall) return zp::Usage();

  // The shell link object needs COM on this thread, as in the wizard.
  CoInitialize(nullptr);
  int result;
  try {
    result = install ? zp::Install(argv[2], argv + 3, argc - 3)
                     : zp::Uninstall(argv[2], argc > 3 && !std::strcmp(argv[3], "--remove-self"));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zprun: %s\n", e.what());
    result = 1;
  }
  CoUninitialize();
  return result;
}

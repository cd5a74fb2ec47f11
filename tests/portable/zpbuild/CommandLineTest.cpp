// The zpbuild program itself: its commands, exit codes and messages, on the
// demo project.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "TestFiles.h"
#include "zpbuild/PackageWriter.h"

namespace zp {
namespace {

using namespace test;

struct TRun {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

class CommandLine : public ::testing::Test {
protected:
  void SetUp() override { WriteFileBytes(stub, SyntheticStubImage()); }

  TRun Run(const std::string& arguments) {
    const std::string out = scratch / "stdout.txt", err = scratch / "stderr.txt";
    std::string command = "\"" + NativePathOf(ZPBUILD_EXE) + "\" " + arguments + " >\"" + out + "\" 2>\"" + err + "\"";
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd /c strips one pair of quotes
#endif
    TRun run;
    const int status = std::system(command.c_str());
#ifdef _WIN32
    run.ExitCode = status;
#else
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.Out = Read(out), run.Err = Read(err);
    for (std::string* text : {&run.Out, &run.Err})  // Windows prints CR LF
      text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
    return run;
  }

  static std::string Q(const std::string& path) { return "\"" + path + "\""; }

  TScratch scratch;
  const std::string stub = scratch / "stub.exe";
};

TEST_F(CommandLine, BuildsListsVerifiesAndExtractsTheDemo) {
  const std::string setup = scratch / "ZpDemoSetup.exe";
  const TRun build = Run("build " + Q(NativePathOf(DemoFile("demo.toml"))) + " -o " + Q(setup) + " --stub " + Q(stub));
  ASSERT_EQ(build.ExitCode, 0) << build.Err;
  EXPECT_EQ(build.Err, "");
  EXPECT_NE(build.Out.find("5 files, 0 programs"), std::string::npos) << build.Out;

  const TRun list = Run("list " + Q(setup));
  EXPECT_EQ(list.ExitCode, 0) << list.Err;
  for (const char* line : {"Program name: \"ZpDemo Indicators\"\n", "Version: 1.2\n", "Build: 34\n",
                           "License: 609 bytes, RTF\n", "Readme: 409 bytes, plain text\n",
                           "Terminal settings: \"11\"\n", "Banner: 4040 bytes, JPEG 160x314\n",
                           "Splash: 7819 bytes, JPEG 499x304\n", "Translations: 3\n", "  303 = \"Creating uninstaller ...\"\n",
                           "Files: 5\n", "  [5] \"{app}\\ZpDemo Manual.txt\"\n",
                           "      shortcut \"ZpDemo Manual\", desktop shortcut yes, keep newer no, keep on uninstall no\n",
                           "Programs: 0\n"})
    EXPECT_NE(list.Out.find(line), std::string::npos) << line;

  const TRun verify = Run("verify " + Q(setup));
  EXPECT_EQ(verify.ExitCode, 0) << verify.Err;

  const TRun extract = Run("extract " + Q(setup) + " " + Q(scratch / "out"));
  EXPECT_EQ(extract.ExitCode, 0) << extract.Err;
  EXPECT_EQ(Read(scratch / "out/{indicators}/ZpDemo Trend.mq4"), Read(DemoFile("files/ZpDemo Trend.mq4")));
  EXPECT_EQ(Read(scratch / "out/{app}/ZpDemo Manual.txt"), Read(DemoFile("files/ZpDemo Manual.txt")));
}

TEST_F(CommandLine, BadProjectGivesOneLineAndNoOutput) {
  const std::string project = scratch / "bad.toml";
  Write(project, "[product]\nname = \"x\"\nnmae = \"y\"\n");
  const TRun run = Run("build " + Q(project) + " --stub " + Q(stub));
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Err, "zpbuild: " + project + ":3: product.nmae: unknown key\n");
  EXPECT_FALSE(fs::exists(scratch / "bad.exe"));
  EXPECT_FALSE(fs::exists(scratch / "bad.exe.tmp"));
}

TEST_F(CommandLine, DamagedPackageFailsVerifyAndList) {
  const std::string setup = scratch / "setup.exe";
  ASSERT_EQ(Run("build " + Q(NativePathOf(DemoFile("demo.toml"))) + " -o " + Q(setup) + " --stub " + Q(stub)).ExitCode, 0);
  const std::string bytes = Read(setup);
  Write(setup, bytes.substr(0, bytes.size() - 1));
  const TRun verify = Run("verify " + Q(setup));
  EXPECT_EQ(verify.ExitCode, 1);
  EXPECT_NE(verify.Err.find("files[5] \"{app}\\ZpDemo Manual.txt\": block at"), std::string::npos) << verify.Err;

  Write(setup, bytes.substr(0, 600));  // cut inside the package data
  EXPECT_EQ(Run("list " + Q(setup)).ExitCode, 1);
  Write(setup, "MZ");
  const TRun none = Run("list " + Q(setup));
  EXPECT_EQ(none.ExitCode, 1);
  EXPECT_NE(none.Err.find("no package"), std::string::npos);
}

TEST_F(CommandLine, SetOverridesTheProject) {
  const std::string setup = scratch / "setup.exe", demo = Q(NativePathOf(DemoFile("demo.toml")));
  const TRun build = Run("build " + demo + " -o " + Q(setup) + " --stub " + Q(stub) +
                         " --set product.build=77 --set \"product.name=ZpDemo Nightly\"");
  ASSERT_EQ(build.ExitCode, 0) << build.Err;
  const TRun list = Run("list " + Q(setup));
  EXPECT_NE(list.Out.find("Build: 77\n"), std::string::npos) << list.Out;
  EXPECT_NE(list.Out.find("Program name: \"ZpDemo Nightly\"\n"), std::string::npos) << list.Out;
  const TRun bad = Run("build " + demo + " -o " + Q(setup) + " --stub " + Q(stub) + " --set product.bulid=1");
  EXPECT_EQ(bad.ExitCode, 1);
  EXPECT_EQ(bad.Err, "zpbuild: --set product.bulid=1: product.bulid: unknown key\n");
  EXPECT_EQ(Run("build " + demo + " --set").ExitCode, 2);
  EXPECT_EQ(Run("build " + demo + " --set product.build").ExitCode, 2);
}

TEST_F(CommandLine, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run("").ExitCode, 2);
  EXPECT_EQ(Run("frobnicate").ExitCode, 2);
  EXPECT_EQ(Run("build").ExitCode, 2);
  EXPECT_EQ(Run("build a.toml -o").ExitCode, 2);
  EXPECT_EQ(Run("extract only-one.exe").ExitCode, 2);
  EXPECT_EQ(Run("--help").ExitCode, 0);
}

// Without --stub the program image beside zpbuild is used: the Windows builds
// put it there, the native build has none and says how to name one.
TEST_F(CommandLine, DefaultProgramImage) {
  const std::string setup = scratch / "setup.exe";
  const TRun run = Run("build " + Q(NativePathOf(DemoFile("demo.toml"))) + " -o " + Q(setup));
#ifdef _WIN32
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
#else
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Err.find("--stub"), std::string::npos) << run.Err;
  EXPECT_FALSE(fs::exists(setup));
#endif
}

}  // namespace
}  // namespace zp

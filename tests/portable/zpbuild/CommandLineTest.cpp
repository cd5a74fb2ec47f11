// The zpbuild program itself: its commands, exit codes and messages, on the
// demo project.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
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

  TRun Run(const std::string& arguments, const std::string& program = ZPBUILD_EXE) {
    const std::string out = scratch / "stdout.txt", err = scratch / "stderr.txt";
    std::string command = "\"" + NativePathOf(program) + "\" " + arguments + " >\"" + out + "\" 2>\"" + err + "\"";
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
  EXPECT_NE(build.Out.find("program image \"" + stub + "\": 64-bit (x86-64), "), std::string::npos) << build.Out;

  // The installer and the project list the same header, texts and records.
  const TRun list = Run("list " + Q(setup));
  EXPECT_EQ(list.ExitCode, 0) << list.Err;
  EXPECT_NE(list.Out.find("Program image: 64-bit (x86-64), "), std::string::npos) << list.Out;
  const TRun listProject = Run("list " + Q(NativePathOf(DemoFile("demo.toml"))) + " --stub " + Q(stub));
  EXPECT_EQ(listProject.ExitCode, 0) << listProject.Err;
  EXPECT_NE(listProject.Out.find("Program image: \"" + stub + "\", 64-bit"), std::string::npos) << listProject.Out;
  for (const char* line : {"Program name: \"ZpDemo Indicators\"\n", "Version: 1.2\n", "Build: 34\n",
                           "Publisher: \"ZpDemo Software\"\n", "License: 609 bytes, RTF\n",
                           "Readme: 409 bytes, plain text\n", "Terminal settings: \"11\"\n",
                           "Banner: 4040 bytes, JPEG 160x314\n", "Splash: 7819 bytes, JPEG 499x304\n",
                           "Translations: 3\n", "Files: 5\n", "  [5] \"{app}\\ZpDemo Manual.txt\"\n",
                           "      shortcut \"ZpDemo Manual\", desktop shortcut yes, keep newer no, keep on uninstall no\n",
                           "Programs: 0\n"}) {
    EXPECT_NE(list.Out.find(line), std::string::npos) << line;
    EXPECT_NE(listProject.Out.find(line), std::string::npos) << line;
  }
  EXPECT_NE(list.Out.find("  303 = \"Creating uninstaller ...\"\n"), std::string::npos);

  const TRun verify = Run("verify " + Q(setup));
  EXPECT_EQ(verify.ExitCode, 0) << verify.Err;

  const TRun extract = Run("extract " + Q(setup) + " " + Q(scratch / "out"));
  EXPECT_EQ(extract.ExitCode, 0) << extract.Err;
  EXPECT_EQ(Read(scratch / "out/{indicators}/ZpDemo Trend.mq4"), Read(DemoFile("files/ZpDemo Trend.mq4")));
  EXPECT_EQ(Read(scratch / "out/{app}/ZpDemo Manual.txt"), Read(DemoFile("files/ZpDemo Manual.txt")));
  // The texts and pictures come out too, named by their kind.
  for (const auto& [name, source] : {std::pair{"License.rtf", "license.rtf"}, {"Readme.txt", "readme.txt"},
                                     {"What's New.rtf", "whatsnew.rtf"}, {"Banner.jpg", "banner.jpg"},
                                     {"Splash.jpg", "splash.jpg"}})
    EXPECT_EQ(Read(scratch / (std::string("out/") + name)), Read(DemoFile(source))) << name;
}

// One run names every problem of a project, each with its line, entry by
// entry; none leaves an output behind.
TEST_F(CommandLine, BadProjectGivesEveryProblemAndNoOutput) {
  const std::string project = scratch / "bad.toml";
  Write(scratch / "a.mq4", "a");
  Write(project, "[product]\nname = \"x\"\nnmae = \"y\"\nversion = \"1.x\"\n"
                 "[[files]]\nsource = \"a.mq4\"\ntarget = '{app}\\CON'\n"
                 "[[files]]\nsource = \"a.mq4\"\ntarget = '{expert}\\a'\nkeep_newer = 1\n");
  const TRun run = Run("build " + Q(project) + " --stub " + Q(stub));
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Err, "zpbuild: " + project + ":3: product.nmae: unknown key; did you mean \"name\"?\n" +
                         "zpbuild: " + project + ":4: product.version: \"1.x\" is not a version such as \"1.2\", "
                         "\"1.7.3\" or \"1.7.3.4\" (MAJOR.MINOR[.BUILD[.RELEASE]])\n" +
                         "zpbuild: " + project + ":7: files[1].target: \"{app}\\CON\" has the part \"CON\", which "
                         "cannot be a file or folder name: it is a device name\n" +
                         "zpbuild: " + project + ":11: files[2].keep_newer: must be true or false\n" +
                         "zpbuild: " + project + ":10: files[2].target: \"{expert}\\a\" uses the unknown placeholder "
                         "{expert}; did you mean {experts}?\n" +
                         "zpbuild: 5 problems\n");
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
  EXPECT_EQ(bad.Err, "zpbuild: --set product.bulid=1: product.bulid: unknown key; did you mean \"build\"?\n");
  EXPECT_EQ(Run("build " + demo + " --set").ExitCode, 2);
  EXPECT_EQ(Run("build " + demo + " --set product.build").ExitCode, 2);
}

TEST_F(CommandLine, ListsTheRecordsOfAProject) {
  for (const char* name : {"src/b.ex4", "src/A.ex4", "src/sub/c.ex4"}) Write(scratch / name, name);
  Write(scratch / "p.toml", "[product]\nname = \"P\"\n[[files]]\nsource = \"src\"\ntarget = '{experts}'\n"
                           "modified = 2024-05-01T12:00:00Z\n");
  const TRun list = Run("list " + Q(scratch / "p.toml") + " --set files[1].keep_newer=true");
  ASSERT_EQ(list.ExitCode, 0) << list.Err;
  const size_t a = list.Out.find("[1] \"{experts}\\A.ex4\"\n"), b = list.Out.find("[2] \"{experts}\\b.ex4\"\n"),
               c = list.Out.find("[3] \"{experts}\\sub\\c.ex4\"\n");
  EXPECT_TRUE(a != std::string::npos && b != std::string::npos && c != std::string::npos) << list.Out;
  for (const char* line : {"Files: 3\n", "modified 2024-05-01 12:00:00 UTC", ", 9 bytes\n", "keep newer yes"})
    EXPECT_NE(list.Out.find(line), std::string::npos) << line << "\n" << list.Out;
}

// Sets a variable for the programs the test starts; an empty value removes it.
void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  if (value.empty()) unsetenv(name);
  else setenv(name, value.c_str(), 1);
#endif
}

// Copies a project folder the way an archive or a checkout does: same bytes
// and last-write times, everything else new.
void CopyProject(const fs::path& from, const fs::path& to) {
  fs::copy(from, to, fs::copy_options::recursive);
  for (const auto& entry : fs::recursive_directory_iterator(from))
    if (entry.is_regular_file()) fs::last_write_time(to / fs::relative(entry.path(), from), entry.last_write_time());
}

std::string KeyLine(const std::string& listing) {
  const size_t at = listing.find("Key: ");
  return listing.substr(at, listing.find('\n', at) - at);
}

TEST_F(CommandLine, TwoBuildsOfTheSameInputsAreByteIdentical) {
  for (const char* name : {"license.rtf", "banner.jpg", "files/ZpDemo Trend.mq4", "files/ZpDemo Guard.mq4"})
    Write(scratch / ("a/" + std::string(name)), Read(DemoFile(name)));
  Write(scratch / "a/p.toml", "[product]\nname = \"Repro\"\n[texts]\nlicense = \"license.rtf\"\n[pictures]\n"
                             "banner = \"banner.jpg\"\n[translations]\ninclude = \"zpinstall:de\"\n"
                             "[[files]]\nsource = \"files/*.mq4\"\ntarget = '{experts}'\n");
  const auto monday = fs::last_write_time(scratch / "a/p.toml") - std::chrono::hours(24 * 30);
  for (const char* name : {"files/ZpDemo Trend.mq4", "files/ZpDemo Guard.mq4"})
    fs::last_write_time(scratch / ("a/" + std::string(name)), monday);
  CopyProject(scratch / "a", scratch / "b");
  auto build = [&](const std::string& folder, const std::string& out) {
    const TRun run = Run("build " + Q(scratch / (folder + "/p.toml")) + " -o " + Q(scratch / out) + " --stub " + Q(stub));
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    return Read(scratch / out);
  };
  const std::string first = build("a", "first.exe");
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  const std::string second = build("b", "out/second.exe");
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(first == second) << "two builds of the same inputs differ";

  // The key follows the contents: one changed byte gives another key.
  const std::string trend = scratch / "b/files/ZpDemo Trend.mq4";
  std::string bytes = Read(trend);
  bytes[10] ^= 1;
  Write(trend, bytes);
  fs::last_write_time(trend, monday);
  build("b", "changed.exe");
  const std::string keyA = KeyLine(Run("list " + Q(scratch / "first.exe")).Out);
  EXPECT_NE(keyA, KeyLine(Run("list " + Q(scratch / "changed.exe")).Out));

  // With SOURCE_DATE_EPOCH, files' times do not matter.
  const std::string project = Read(scratch / "a/p.toml");
  for (const char* folder : {"a", "b"}) Write(scratch / (folder + std::string("/p.toml")), "file_times = \"source_date_epoch\"\n" + project);
  fs::last_write_time(trend, monday + std::chrono::hours(5));
  Write(trend, Read(scratch / "a/files/ZpDemo Trend.mq4"));
  SetEnvironment("SOURCE_DATE_EPOCH", "1700000000");
  const std::string third = build("a", "third.exe"), fourth = build("b", "fourth.exe");
  SetEnvironment("SOURCE_DATE_EPOCH", "");
  EXPECT_TRUE(third == fourth) << "SOURCE_DATE_EPOCH builds differ";
  EXPECT_NE(Run("list " + Q(scratch / "fourth.exe")).Out.find("created 2023-11-14 22:13:20 UTC, modified 2023-11-14 22:13:20 UTC"),
            std::string::npos);
}

TEST_F(CommandLine, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run("").ExitCode, 2);
  EXPECT_EQ(Run("frobnicate").ExitCode, 2);
  EXPECT_EQ(Run("build").ExitCode, 2);
  EXPECT_EQ(Run("build a.toml -o").ExitCode, 2);
  EXPECT_EQ(Run("extract only-one.exe").ExitCode, 2);
  EXPECT_EQ(Run("--help").ExitCode, 0);
}

// Without --stub zpbuild takes the Install.exe shipped with it: beside it
// (where the Windows builds put it), else in share/zpinstall next to its
// folder (the installed layout). A copy of zpbuild in bin/ shows the second.
TEST_F(CommandLine, DefaultProgramImage) {
  const std::string setup = scratch / "setup.exe";
  const std::string demo = Q(NativePathOf(DemoFile("demo.toml")));
#ifdef _WIN32
  const TRun beside = Run("build " + demo + " -o " + Q(setup));
  EXPECT_EQ(beside.ExitCode, 0) << beside.Err;
  const std::string zpbuild = "zpbuild.exe";
#else
  const std::string zpbuild = "zpbuild";
#endif
  fs::create_directories(fs::path(scratch / "bin"));
  fs::copy_file(ZPBUILD_EXE, scratch / ("bin/" + zpbuild));
  std::vector<uint8_t> image = SyntheticStubImage();
  image[100] = 'Z';  // tells this image from any other
  fs::create_directories(fs::path(scratch / "share/zpinstall"));
  WriteFileBytes(scratch / "share/zpinstall/Install.exe", image);
  const TRun installed = Run("build " + demo + " -o " + Q(setup), scratch / ("bin/" + zpbuild));
  ASSERT_EQ(installed.ExitCode, 0) << installed.Err;
  const std::string written = Read(setup);
  EXPECT_EQ(written.substr(0, 136), std::string(image.begin(), image.begin() + 136));
  EXPECT_EQ(written.substr(140, image.size() - 140), std::string(image.begin() + 140, image.end()));

#ifdef _WIN32  // (the Linux build also looks in the project's build tree)
  fs::remove(scratch / "share/zpinstall/Install.exe");
  fs::remove(setup);
  const TRun none = Run("build " + demo + " -o " + Q(setup), scratch / ("bin/" + zpbuild));
  EXPECT_EQ(none.ExitCode, 1);
  EXPECT_NE(none.Err.find("Install.exe is in none of"), std::string::npos) << none.Err;
  EXPECT_NE(none.Err.find("--stub"), std::string::npos) << none.Err;
  EXPECT_FALSE(fs::exists(setup));
#endif
}

#ifndef _WIN32
// Ctrl-C or a kill halfway through a build: zpbuild dies of the signal, as
// its caller expects, and leaves no temporary file and no installer.
TEST_F(CommandLine, AnInterruptedBuildLeavesNoTemporaryFile) {
  const std::string project = scratch / "big.toml", big = scratch / "big.bin", setup = scratch / "big.exe";
  Write(big, "");
  fs::resize_file(big, 1 << 30);  // sparse: long to read and encrypt, nothing on disk
  Write(project, "[product]\nname = \"Big\"\n[[files]]\nsource = \"big.bin\"\ntarget = '{app}\\big.bin'\n");
  for (const int signal : {SIGINT, SIGTERM}) {
    const pid_t child = fork();
    if (child == 0) {
      execl(ZPBUILD_EXE, "zpbuild", "build", project.c_str(), "-o", setup.c_str(), "--stub", stub.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 5000 && !fs::exists(setup + ".tmp"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(fs::exists(setup + ".tmp")) << "the build did not start";
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal << ": " << status;
    EXPECT_FALSE(fs::exists(setup + ".tmp")) << signal;
    EXPECT_FALSE(fs::exists(setup)) << signal;
  }
}
#endif

}  // namespace
}  // namespace zp

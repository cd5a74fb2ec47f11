// zpbuild: builds installers from package projects and reads them back.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "BuilderOS.h"
#include "PackageReader.h"
#include "PackageWriter.h"
#include "ProjectReader.h"
#include "ShippedFiles.h"
#include "base/Strings.h"

namespace zp {
namespace {

const char kUsage[] =
    "Usage:\n"
    "  zpbuild build PROJECT.toml [-o OUT.exe] [--stub PROGRAM.exe] [--set KEY=VALUE]...\n"
    "      Builds the installer described by PROJECT.toml; each --set replaces a\n"
    "      value of the project, e.g. --set product.build=42.\n"
    "  zpbuild list SETUP.exe\n"
    "      Prints the package's header fields and records.\n"
    "  zpbuild list PROJECT.toml [--stub PROGRAM.exe] [--set KEY=VALUE]...\n"
    "      Prints what a build of the project would write, patterns expanded.\n"
    "  zpbuild extract SETUP.exe FOLDER\n"
    "      Decrypts every content into FOLDER below its record path, and writes the\n"
    "      texts and pictures there too.\n"
    "  zpbuild verify SETUP.exe\n"
    "      Checks that every content block lies in the file, decrypts and matches\n"
    "      its CRC-32; says whether the file is signed.\n"
    "The program image defaults to the Install.exe shipped with zpbuild.\n";

constexpr int kOk = 0, kFailed = 1, kUsageError = 2;

int Usage(const std::string& problem) {
  std::cerr << "zpbuild: " << problem << "\n" << kUsage;
  return kUsageError;
}

std::string DefaultStub() {
  const std::string path = FindShippedFile("Install.exe");
  if (!path.empty()) return path;
  std::string searched;
  for (const std::string& folder : ShippedFileFolders()) searched += (searched.empty() ? "" : ", ") + folder;
  throw EProjectError("no program image: Install.exe is in none of " + searched + "; name one with --stub");
}

// Takes "--set KEY=VALUE" at args[i]; false (with `problem`) when malformed.
bool TakeSetting(const std::vector<std::string>& args, size_t& i, TLoadOptions& options, std::string& problem) {
  if (i + 1 == args.size() || args[i + 1].find('=') == std::string::npos || args[i + 1][0] == '=') {
    problem = "--set needs KEY=VALUE, such as --set product.build=42";
    return false;
  }
  options.Overrides.push_back(args[++i]);
  return true;
}

TLoadOptions OptionsFromEnvironment() {
  TLoadOptions options;
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) options.SourceDateEpoch = epoch;
  return options;
}

// Loads a project and passes its warnings on.
TLoadedProject LoadTelling(const std::string& path, const TLoadOptions& options) {
  TLoadedProject loaded = LoadProject(path, options);
  for (const std::string& warning : loaded.Warnings) std::cerr << "zpbuild: warning: " << warning << "\n";
  return loaded;
}

bool IsProjectFile(const std::string& path) {
  return path.size() > 5 && LowerAscii(path.substr(path.size() - 5)) == ".toml";
}

// The program image a build would take, in a few words, or what is wrong.
std::string ImageForListing(const std::string& stub) {
  try {
    const std::string path = stub.empty() ? FindShippedFile("Install.exe") : stub;
    if (path.empty()) return "none found beside zpbuild; a build needs --stub";
    const std::vector<uint8_t> image = LoadStubImage(path);
    return "\"" + path + "\", " + DescribeImage(image);
  } catch (const EZpError& e) {
    return "unusable: " + e.Message();
  }
}

int ListProjectFile(const std::vector<std::string>& args) {
  TLoadOptions options = OptionsFromEnvironment();
  std::string problem, stub;
  for (size_t i = 1; i < args.size(); ++i)
    if (args[i] == "--stub" && i + 1 < args.size()) stub = args[++i];
    else if (args[i] != "--set") return Usage("list takes one project, --stub PROGRAM.exe and --set KEY=VALUE options");
    else if (!TakeSetting(args, i, options, problem)) return Usage(problem);
  ListProject(LoadTelling(args[0], options), std::cout, ImageForListing(stub));
  return kOk;
}

int Build(const std::vector<std::string>& args) {
  std::string project, output, stub, problem;
  TLoadOptions options = OptionsFromEnvironment();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--set") {
      if (!TakeSetting(args, i, options, problem)) return Usage(problem);
    } else if ((a == "-o" || a == "--stub") && i + 1 < args.size()) {
      (a == "-o" ? output : stub) = args[++i];
    } else if (a == "-o" || a == "--stub") {
      return Usage(a + " needs a file name");
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (project.empty()) {
      project = a;
    } else {
      return Usage("more than one project: " + a);
    }
  }
  if (project.empty()) return Usage("build needs a project file");
  const TLoadedProject loaded = LoadTelling(project, options);
  if (output.empty()) output = loaded.OutputPath;
  const std::string imagePath = stub.empty() ? DefaultStub() : stub;
  const std::vector<uint8_t> image = LoadStubImage(imagePath);
  const size_t cut = output.find_last_of(kPathSeparator == '/' ? "/" : "\\/");
  if (cut != std::string::npos && cut > 0) CreateDirectories(output.substr(0, cut));
  const TPackageLayout layout = BuildPackage(loaded.Project, image, output);
  std::cout << "zpbuild: wrote " << output << ": " << layout.FileSize << " bytes, " << layout.Files.size()
            << " files, " << layout.Execs.size() << " programs\n"
            << "zpbuild: program image \"" << imagePath << "\": " << DescribeImage(image) << "\n";
  return kOk;
}

int List(const std::string& path) {
  const auto info = ReadPackage(path);
  if (!info->Load.HasData) {
    std::cerr << "zpbuild: " << path << ": " << NoPackageReason(*info, path) << "\n";
    return kFailed;
  }
  ListPackage(*info, std::cout);
  return info->Load.Complete ? kOk : kFailed;
}

int Report(const std::string& path, const std::vector<std::string>& problems) {
  for (const std::string& problem : problems) std::cerr << "zpbuild: " << path << ": " << problem << "\n";
  return problems.empty() ? kOk : kFailed;
}

int Run(const std::vector<std::string>& commandLine) {
  if (commandLine.empty()) return Usage("no command");
  const std::string& command = commandLine[0];
  const std::vector<std::string> args(commandLine.begin() + 1, commandLine.end());
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsage;
    return kOk;
  }
  if (command == "--version") {
    std::cout << "zpbuild " ZP_VERSION "\n";
    return kOk;
  }
  if (command == "build") return Build(args);
  if (command == "list" && !args.empty() && IsProjectFile(args[0])) return ListProjectFile(args);
  if (command == "list") return args.size() == 1 ? List(args[0]) : Usage("list needs one installer");
  if (command == "verify") {
    if (args.size() != 1) return Usage("verify needs one installer");
    std::cout << "zpbuild: " << args[0] << ": " << SignatureStatus(args[0]) << "\n";
    const int result = Report(args[0], VerifyPackage(args[0]));
    if (result == kOk) std::cout << "zpbuild: " << args[0] << ": the package is sound\n";
    return result;
  }
  if (command == "extract") {
    if (args.size() != 2) return Usage("extract needs an installer and a folder");
    int written = 0;
    const int result = Report(args[0], ExtractPackage(args[0], args[1], &written));
    std::cout << "zpbuild: extracted " << written << " files into " << args[1] << "\n";
    return result;
  }
  return Usage("unknown command " + command);
}

}  // namespace
}  // namespace zp

int main(int argc, char** argv) {
  zp::PrepareConsole();
  try {
    return zp::Run(zp::CommandArguments(argc, argv));
  } catch (const zp::EProjectErrors& e) {
    for (const std::string& line : e.Lines()) std::cerr << "zpbuild: " << line << "\n";
    if (e.Stopped()) std::cerr << "zpbuild: stopped after " << e.Lines().size() << " problems\n";
    else if (e.Lines().size() > 1) std::cerr << "zpbuild: " << e.Lines().size() << " problems\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "zpbuild: " << e.what() << "\n";
    return 1;
  }
}

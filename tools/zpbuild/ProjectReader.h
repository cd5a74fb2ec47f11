// Reads a package project written in TOML (see docs/zpbuild.md). Paths in the
// project are relative to the project file. Every problem raises
// EProjectError with one line: "FILE:LINE: FIELD: what is wrong".
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "Project.h"

namespace zp {

struct TLoadedProject {
  TProject Project;
  std::string OutputPath;             // the project's "output", else PROJECT.exe beside it
  std::vector<std::string> Warnings;  // worth telling, not worth failing for
};

struct TLoadOptions {
  // "KEY=VALUE" settings (zpbuild's --set) that replace or add values of the
  // project file before it is read: KEY is a dotted path such as
  // product.build, translations.118 or files[2].target; VALUE is taken as
  // written and read as the type the key needs.
  std::vector<std::string> Overrides;
  // Folders holding the translations shipped with zpbuild, which a project
  // names as include = "zpinstall:NAME"; empty: ShippedTranslationFolders().
  std::vector<std::string> TranslationFolders;
  // The environment's SOURCE_DATE_EPOCH (seconds since 1970), when set: the
  // time of every record that gives none, in a project with
  // file_times = "source_date_epoch".
  std::optional<std::string> SourceDateEpoch;
};

TLoadedProject LoadProject(const std::string& path, const TLoadOptions& options = {});

// Prints what a build of the project would carry, one item per line, in the
// format of ListPackage: every file record as the entries expand, with its
// source, size and the times it would store; `image` describes the program
// image a build would take (DescribeImage), or is "" to leave it out.
void ListProject(const TLoadedProject& loaded, std::ostream& out, const std::string& image = "");

// Where an installed or freshly built zpbuild finds its translations: "lang"
// beside the executable (the build tree), then ../share/zpinstall/lang
// (the installed layout: bin/zpbuild beside share/zpinstall).
std::vector<std::string> ShippedTranslationFolders();

// The names of the shipped translations in these folders, sorted ("de",
// "ru", ...).
std::vector<std::string> ShippedTranslationNames(const std::vector<std::string>& folders);

// Windows FILETIME of a calendar time in UTC; false before 1601.
bool CivilToFileTime(int year, int month, int day, int hour, int minute, int second, uint32_t nanosecond,
                     uint64_t& fileTime);

}  // namespace zp

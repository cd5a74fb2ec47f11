// Reads a package project written in TOML (see docs/zpbuild.md). Paths in the
// project are relative to the project file. Every problem raises
// EProjectError with one line: "FILE:LINE: FIELD: what is wrong".
#pragma once

#include <string>
#include <vector>

#include "Project.h"

namespace zp {

struct TLoadedProject {
  TProject Project;
  std::string OutputPath;             // the project's "output", else PROJECT.exe beside it
  std::vector<std::string> Warnings;  // worth telling, not worth failing for
};

TLoadedProject LoadProject(const std::string& path);

// Windows FILETIME of a calendar time in UTC; false before 1601.
bool CivilToFileTime(int year, int month, int day, int hour, int minute, int second, uint32_t nanosecond,
                     uint64_t& fileTime);

}  // namespace zp

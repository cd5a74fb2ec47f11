// The choice of role and the reading of the command line.
#include <gtest/gtest.h>

#include "startup/Roles.h"

namespace zp {
namespace {

TEST(Roles, FirstArgumentSplitsLikeTheRunTimeLibrary) {
  const struct {
    const char* CommandLine;
    const char* First;
  } cases[] = {
      {"Install.exe", ""},
      {"Install.exe spawn", "spawn"},
      {"\"C:\\Program Files\\Setup.exe\" spawn more", "spawn"},
      {"\"C:\\My Setup.exe\"spawn", ""},                 // the quote does not end the name
      {"Setup.exe \t  \"spawn \"", "spawn "},            // quotes keep the blank
      {"Setup.exe sp\"aw\"n", "spawn"},                  // and are dropped
      {"Setup.exe \"\" spawn", ""},                      // an empty first argument
      {"Setup.exe C:\\dir\\\" x", "C:\\dir\\ x"},        // no escape character
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FirstArgument(c.CommandLine), c.First) << c.CommandLine;
}

TEST(Roles, RelayOnVistaUnlessExactlySpawn) {
  int asked = 0;
  const auto parent = [&asked](bool isRelay) {
    return [&asked, isRelay]() {
      ++asked;
      return isRelay;
    };
  };
  const struct {
    bool Vista;
    const char* Argument;
    bool ParentIsRelay;
    TRole Role;
    bool UseRelay;
    int Asked;
  } cases[] = {
      {true, "", true, TRole::Relay, false, 0},
      {true, "Spawn", true, TRole::Relay, false, 0},
      {true, "spawn ", true, TRole::Relay, false, 0},
      {true, "spawnx", true, TRole::Relay, false, 0},
      {true, "spawn", true, TRole::Wizard, true, 1},
      {true, "spawn", false, TRole::Wizard, false, 1},   // typed by hand: no relay waits
      {false, "", true, TRole::Wizard, false, 0},        // Windows XP: one process, opens itself
      {false, "spawn", true, TRole::Wizard, false, 0},
  };
  for (const auto& c : cases) {
    asked = 0;
    const TStartupChoice choice = ChooseRole(c.Vista, c.Argument, parent(c.ParentIsRelay));
    EXPECT_EQ(choice.Role, c.Role) << c.Vista << " '" << c.Argument << "'";
    EXPECT_EQ(choice.UseRelay, c.UseRelay) << c.Vista << " '" << c.Argument << "'";
    EXPECT_EQ(asked, c.Asked) << c.Vista << " '" << c.Argument << "'";
  }
}

}  // namespace
}  // namespace zp

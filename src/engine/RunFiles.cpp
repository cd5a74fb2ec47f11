#include "engine/RunFiles.h"

#include "base/Strings.h"

#include <algorithm>
#include <cstring>

namespace zp {
namespace {

constexpr size_t kFlagOffsets[8] = {4, 8, 12, 36, 40, 20, 24, 28};
const char kCrLf[] = "\r\n";

bool IsSchemeChar(char c, bool first) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return letter || (!first && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
}

// True for "scheme://..." with a scheme as URLs define it (a letter, then
// letters, digits, "+", "-" or ".").
bool HasScheme(const std::string& address) {
  const size_t colon = address.find("://");
  if (colon == std::string::npos || colon == 0) return false;
  for (size_t i = 0; i < colon; ++i)
    if (!IsSchemeChar(address[i], i == 0)) return false;
  return true;
}

const char kForbiddenInNames[] = "<>:\"/\\|?*";

bool ForbiddenInName(char c) {
  return static_cast<unsigned char>(c) < 32 || std::strchr(kForbiddenInNames, c) != nullptr;
}

char UpperAsciiChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string TrimText(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

std::string InternetShortcutText(const std::string& address) {
  const std::string text = std::string("[InternetShortcut]") + kCrLf + "URL=" + address + kCrLf + kCrLf;
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return text;
  std::string bytes = "\xFF\xFE";
  for (char16_t c : Utf8ToWide(text)) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

std::string WebsiteAddress(const std::string& website) {
  const std::string address = TrimText(website);
  if (address.empty() || HasScheme(address)) return address;
  return "http://" + address;
}

std::string EmailAddress(const std::string& contactName, const std::string& email) {
  if (TrimText(email).empty()) return {};
  return contactName.empty() ? "mailto:" + email : "mailto:" + contactName + " <" + email + ">";
}

std::string TextLines(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32 + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += kCrLf;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(c);
    }
  }
  if (out.size() < 2 || out.compare(out.size() - 2, 2, kCrLf) != 0) out += kCrLf;
  return out;
}

TExpertSettings NewExpertSettings() {
  TExpertSettings file{};
  file[0] = 144;
  file[1] = 1;
  return file;
}

void PadExpertSettings(std::string& settings) {
  if (settings.size() < 8) settings.resize(8, ' ');
}

void ApplyExpertSettings(TExpertSettings& file, const std::string& settings) {
  for (size_t k = 0; k < 8 && k < settings.size(); ++k) {
    if (settings[k] != ' ') file[kFlagOffsets[k]] = settings[k] == '1' ? 1 : 0;
  }
}

std::string TimeStampText(const TLocalTime& t) {
  // Built by hand rather than by snprintf, whose C99 implementation would
  // bring some 25 KiB into the program image.
  std::string text;
  const auto append = [&text](int value, size_t width) {
    const std::string digits = std::to_string(value);
    if (digits.size() < width) text.append(width - digits.size(), '0');
    text += digits;
  };
  append(t.Year, 4), append(t.Month, 2), append(t.Day, 2);
  append(t.Hour, 2), append(t.Minute, 2), append(t.Second, 2), append(t.Milliseconds, 3);
  return text;
}

std::string SelfRemovalBatchName(const TLocalTime& t) { return TimeStampText(t) + ".bat"; }

std::string SelfRemovalBatchText(bool removeFolder) {
  // The paths arrive through the environment, so the text is plain ASCII
  // and no name can change what it does: the shell expands a variable once
  // and never reads a "%" or an accented letter in its value as anything but
  // itself; delayed expansion ("!name!") keeps even a shell that reads a
  // "%" in an expanded value again from doing so. AutoRun commands are off,
  // as the shell is started with /d.
  std::string text = std::string("@echo off") + kCrLf;
  text += std::string("setlocal EnableDelayedExpansion") + kCrLf;
  text += std::string(":repeat") + kCrLf;
  const auto value = [](const char* name) { return std::string("\"!") + name + "!\""; };
  text += "del " + value(kSelfRemovalExe) + kCrLf;
  text += "if exist " + value(kSelfRemovalExe) + " goto repeat" + kCrLf;
  if (removeFolder) text += "rmdir " + value(kSelfRemovalFolder) + kCrLf;
  // One line: the shell reads no further line once its batch is gone.
  text += "del " + value(kSelfRemovalBatch) + " & rmdir " + value(kSelfRemovalBatchFolder) + kCrLf;
  return text;
}

std::string FileNameProblem(const std::string& name) {
  if (name.empty()) return "it is empty";
  if (name == "." || name == "..") return "it is \"" + name + "\"";
  if (name.size() > 255) return "it is longer than 255 characters";
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 32) return "it holds a control character";
    if (ForbiddenInName(c)) return std::string("it holds the character \"") + c + "\"";
  }
  if (name.back() == '.' || name.back() == ' ') return "it ends with a dot or a blank";
  if (IsDeviceName(name)) return "it is a device name";
  return {};
}

bool IsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = UpperAsciiChar(c);
  for (const char* device : {"CON", "PRN", "AUX", "NUL"})
    if (base == device) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

std::string SafeFileName(const std::string& text) {
  std::string name = text;
  for (char& c : name)
    if (ForbiddenInName(c)) c = '_';
  return name;
}

std::string ExtractFilePath(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string ExtractFileDir(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  if (cut == std::string::npos) return {};
  const bool keep = path[cut] == ':' || cut == 0 || path[cut - 1] == ':' || path[cut - 1] == '\\';
  return path.substr(0, keep ? cut + 1 : cut);
}

std::string ExtractFileName(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
  const size_t dot = path.find_last_of(".\\:");
  if (dot == std::string::npos || path[dot] != '.') return path + extension;
  return path.substr(0, dot) + extension;
}

std::string IncludeTrailingBackslash(const std::string& path) {
  return !path.empty() && path.back() == '\\' ? path : path + '\\';
}

}  // namespace zp

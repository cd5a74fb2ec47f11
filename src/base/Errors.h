// The exception classes shared by every module. Failures are exceptions; the
// named classes of the units derive from EZpError and keep their fixed texts.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace zp {

// Base exception class: carries one message.
class EZpError : public std::exception {
public:
  explicit EZpError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

private:
  std::string message_;
};

// A failed operating-system call: the system's own message text and code.
class EOSError : public EZpError {
public:
  EOSError(uint32_t code, std::string message) : EZpError(std::move(message)), code_(code) {}
  uint32_t Code() const noexcept { return code_; }

private:
  uint32_t code_;
};

// The system's message text for an error code (GetLastError / errno).
std::string SystemErrorText(uint32_t code);

// The calling thread's last error code.
uint32_t LastErrorCode();

// Raises EOSError for the last error; `context` (a path, say) is put in front.
[[noreturn]] void RaiseLastOSError(const std::string& context = std::string());

}  // namespace zp

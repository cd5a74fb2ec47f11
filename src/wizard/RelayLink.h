// The hand-over of targets (links, the terminal to start) from the elevated
// wizard to the relay, its parent process with the user's own rights. Each
// target goes to the relay's window as WM_COPYDATA, synchronously: when the
// send returns, the relay holds the target and opens it before it ends.
// Nothing is written to a file that a program of lower rights could
// redirect, and the hand-over works when the wizard runs as another account
// (a standard user elevating with an administrator's password). Windows only.
#pragma once

#include <windows.h>

#include <string>

namespace zp {

// The tag of a target in WM_COPYDATA: the data is its UTF-16 text, without
// a terminating zero.
constexpr ULONG_PTR kRelayTargetTag = 0x5A504F54;  // "ZPOT"
// The longest target the relay takes, in UTF-16 code units.
constexpr size_t kMaxRelayTarget = 32767;

// The id of this process's parent; 0 when it cannot be found.
DWORD ParentProcessId();

// The relay's window: the top-level form of the process `relay`, or null.
HWND FindRelayWindow(DWORD relay);

// Hands `target` from the window `sender` to the relay of this process (its
// parent). Waits up to a few seconds for the relay's window to appear (the
// relay makes it after starting this process). True when the relay has
// taken the target; false when there is no relay or it refused.
bool SendToRelay(HWND sender, const std::u16string& target);

// The target of a WM_COPYDATA record: true, with `target` set, when the
// record has the tag, an even size of at most kMaxRelayTarget code units and
// no zero inside; false for anything else.
bool ReadRelayTarget(const COPYDATASTRUCT& record, std::u16string& target);

}  // namespace zp

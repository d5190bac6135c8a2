#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/remote/RemoteRequest.h"

// The WM_COPYDATA exchange between a command-line copy and the running copy's main window. The
// message's wParam is the sender's window, where the running copy sends a reply and by which it
// knows the sender's user.
namespace copy_data_protocol {

inline constexpr ULONG_PTR kRequestTag = 0x564B5752;
inline constexpr ULONG_PTR kReplyTag = 0x564B5741;
// Far above the longest request word; a request longer than this is not ours.
inline constexpr DWORD kMaxRequestBytes = 64;
// A path of at most 32767 UTF-16 units takes at most three UTF-8 bytes for each.
inline constexpr DWORD kMaxReplyBytes = 3 * 32767;
inline constexpr UINT kTimeoutMs = 10000;
// The asker waits for the reply inside its own request, taking sent messages at once; only a
// window that is not the asker's keeps the running copy's window waiting, and then not for long.
inline constexpr UINT kReplyTimeoutMs = 1000;

// The words of platform/remote/RemoteRequest.h.
std::string_view WordOf(RemoteRequest request);
std::optional<RemoteRequest> RequestOfWord(std::string_view word);

// The bytes a message carries when it has the tag and at most maxBytes; otherwise nothing.
std::optional<std::string> Payload(const COPYDATASTRUCT& data, ULONG_PTR tag, DWORD maxBytes);

// Sends bytes under a tag and waits up to timeoutMs, without blocking sent messages to this
// thread (the reply to a question arrives as one). True when the receiver returned TRUE.
bool Send(HWND receiver, HWND sender, ULONG_PTR tag, std::string_view bytes,
          UINT timeoutMs = kTimeoutMs);

// True when the window belongs to a process that runs as the same user as this one.
bool IsWindowOfThisUser(HWND window);

}  // namespace copy_data_protocol

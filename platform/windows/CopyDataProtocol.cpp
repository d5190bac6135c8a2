#include "platform/windows/CopyDataProtocol.h"

#include <memory>
#include <vector>

namespace copy_data_protocol {

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The TOKEN_USER of a process, or nothing when it cannot be read.
std::vector<BYTE> TokenUserOf(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) {
        return {};
    }
    const UniqueHandle tokenOwner(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
        return {};
    }
    return user;
}

PSID SidOf(std::vector<BYTE>& tokenUser) {
    return reinterpret_cast<TOKEN_USER*>(tokenUser.data())->User.Sid;
}

}  // namespace

std::string_view WordOf(RemoteRequest request) {
    return NamesOf(request).windowsWord;
}

std::optional<RemoteRequest> RequestOfWord(std::string_view word) {
    return FindRemoteRequest(&RemoteRequestNames::windowsWord, word);
}

std::optional<std::string> Payload(const COPYDATASTRUCT& data, ULONG_PTR tag, DWORD maxBytes) {
    if (data.dwData != tag || data.cbData > maxBytes || (data.cbData > 0 && !data.lpData)) {
        return std::nullopt;
    }
    return std::string(static_cast<const char*>(data.lpData), data.cbData);
}

bool Send(HWND receiver, HWND sender, ULONG_PTR tag, std::string_view bytes, UINT timeoutMs) {
    COPYDATASTRUCT data{};
    data.dwData = tag;
    data.cbData = static_cast<DWORD>(bytes.size());
    data.lpData = const_cast<char*>(bytes.data());
    DWORD_PTR result = FALSE;
    return SendMessageTimeoutW(receiver, WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                               reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG | SMTO_ERRORONEXIT,
                               timeoutMs, &result) != 0 &&
           result == TRUE;
}

bool IsWindowOfThisUser(HWND window) {
    DWORD processId = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &processId) == 0) {
        return false;
    }
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) {
        return false;
    }
    std::vector<BYTE> sender = TokenUserOf(process.get());
    std::vector<BYTE> self = TokenUserOf(GetCurrentProcess());
    return !sender.empty() && !self.empty() && EqualSid(SidOf(sender), SidOf(self));
}

}  // namespace copy_data_protocol

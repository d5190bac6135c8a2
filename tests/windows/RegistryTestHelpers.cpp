#include "tests/windows/RegistryTestHelpers.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <iostream>

#include "platform/windows/Win32String.h"

namespace {

constexpr DWORD kLongestValueName = 16383 + 1;

HKEY OpenForTest(const WideString& keyPath) {
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, AsWin32(keyPath), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << "cannot open the test key";
    return key;
}

}  // namespace

std::vector<BYTE> BytesOf(const WideString& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(char16_t));
}

void ClearValues(const WideString& keyPath) {
    const HKEY key = OpenForTest(keyPath);
    for (const WideString& name : ValueNames(keyPath)) {
        EXPECT_EQ(RegDeleteValueW(key, AsWin32(name)), ERROR_SUCCESS);
    }
    RegCloseKey(key);
}

void DeleteKeyTree(const WideString& keyPath) {
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, AsWin32(keyPath)), ERROR_SUCCESS);
}

void CreateKey(const WideString& keyPath) {
    RegCloseKey(OpenForTest(keyPath));
}

void WriteUnterminatedString(const WideString& keyPath, const WideString& name,
                             const WideString& text) {
    // A non-NUL guard after the characters keeps the registry from finding a terminator there.
    const WideString guarded = text + u'#';
    const HKEY key = OpenForTest(keyPath);
    EXPECT_EQ(
        RegSetValueExW(key, AsWin32(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(guarded.data()),
                       static_cast<DWORD>(text.size() * sizeof(char16_t))),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

std::optional<StoredValue> ReadValue(const WideString& keyPath, const WideString& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, AsWin32(keyPath), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    StoredValue value{};
    DWORD size = 0;
    std::optional<StoredValue> result;
    if (RegQueryValueExW(key, AsWin32(name), nullptr, &value.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        value.data.resize(size);
        if (RegQueryValueExW(key, AsWin32(name), nullptr, &value.type, value.data.data(), &size) ==
            ERROR_SUCCESS) {
            value.data.resize(size);
            result = value;
        }
    }
    RegCloseKey(key);
    return result;
}

std::vector<WideString> ValueNames(const WideString& keyPath) {
    std::vector<WideString> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, AsWin32(keyPath), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    std::vector<wchar_t> name(kLongestValueName);
    for (DWORD index = 0;; ++index) {
        DWORD length = kLongestValueName;
        if (RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.push_back(FromWin32(name.data(), length));
    }
    RegCloseKey(key);
    return names;
}

void ExpectStoredText(const WideString& keyPath, const WideString& name, const WideString& text) {
    const auto stored = ReadValue(keyPath, name);
    ASSERT_TRUE(stored.has_value()) << "value missing";
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    std::vector<BYTE> expected = BytesOf(text);
    if (stored->data.size() == expected.size() + sizeof(char16_t)) {
        std::cout << "note: the registry stored a NUL after the " << expected.size()
                  << " bytes handed over (Wine adds one when it follows them in memory)\n";
        expected.insert(expected.end(), sizeof(char16_t), 0);
    }
    EXPECT_EQ(stored->data, expected);
}

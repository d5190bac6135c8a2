#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "model/WideString.h"

// Direct access to the current user's registry, to set up and inspect what the code under
// test sees. Every helper fails the running test when the registry refuses.

struct StoredValue {
    DWORD type;
    std::vector<BYTE> data;
};

// The UTF-16 code units of the text, without a terminator: what a REG_SZ write of it hands over.
std::vector<BYTE> BytesOf(const WideString& text);

// Creates the key if needed and removes all its values.
void ClearValues(const WideString& keyPath);
void DeleteKeyTree(const WideString& keyPath);
void CreateKey(const WideString& keyPath);

// Writes REG_SZ data of the characters only, with no NUL following them in memory, as a
// program that writes the size without the terminator leaves it on Windows.
void WriteUnterminatedString(const WideString& keyPath, const WideString& name,
                             const WideString& text);

std::optional<StoredValue> ReadValue(const WideString& keyPath, const WideString& name);
std::vector<WideString> ValueNames(const WideString& keyPath);

// Fails the running test unless the value is REG_SZ holding exactly `text`. Windows stores the
// characters as they were handed over; Wine appends a NUL of its own when one follows them in
// memory, which is accepted (and noted) as the only difference.
void ExpectStoredText(const WideString& keyPath, const WideString& name, const WideString& text);

#pragma once

#include <windows.h>

// Points one of this program's imported Win32 functions at a replacement while the object lives,
// so that a test sees exactly what the code under test hands to the system. The replacement can
// forward to Original().
template <typename Function>
class ImportHook final {
public:
    ImportHook(Function*& importSlot, Function* replacement)
        : slot(importSlot), original(importSlot) {
        Write(replacement);
    }
    ~ImportHook() { Write(original); }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    Function* Original() const { return original; }

private:
    void Write(Function* value) {
        DWORD protection = 0;
        VirtualProtect(&slot, sizeof(slot), PAGE_READWRITE, &protection);
        slot = value;
        VirtualProtect(&slot, sizeof(slot), protection, &protection);
    }

    Function*& slot;
    Function* const original;
};

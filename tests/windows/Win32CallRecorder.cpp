#include "tests/windows/Win32CallRecorder.h"

#include <cwchar>

Win32CallRecorder* Win32CallRecorder::active = nullptr;

namespace {

WideString NameOf(LPCWSTR name) {
    return name == nullptr ? WideString()
                           : WideString(reinterpret_cast<const char16_t*>(name), wcslen(name));
}

}  // namespace

Win32CallRecorder::Win32CallRecorder()
    : setValueHook(__imp_RegSetValueExW, &SetValue),
      deleteValueHook(__imp_RegDeleteValueW, &DeleteValue),
      systemParameterHook(__imp_SystemParametersInfoA, &ChangeSystemParameter) {
    active = this;
}

Win32CallRecorder::~Win32CallRecorder() {
    active = nullptr;
}

LSTATUS WINAPI Win32CallRecorder::SetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type,
                                           const BYTE* data, DWORD size) {
    active->writes.push_back({NameOf(name), type, std::vector<BYTE>(data, data + size)});
    return active->setValueHook.Original()(key, name, reserved, type, data, size);
}

LSTATUS WINAPI Win32CallRecorder::DeleteValue(HKEY key, LPCWSTR name) {
    active->deletions.push_back(NameOf(name));
    return active->deleteValueHook.Original()(key, name);
}

BOOL WINAPI Win32CallRecorder::ChangeSystemParameter(UINT action, UINT parameter, PVOID path,
                                                     UINT flags) {
    active->systemCalls.push_back({action, parameter, path != nullptr, flags});
    if (active->refuseSystemChanges) {
        return FALSE;
    }
    return active->systemParameterHook.Original()(action, parameter, path, flags);
}

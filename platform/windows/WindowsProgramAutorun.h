#pragma once

#include "model/WideString.h"
#include "platform/ProgramAutorun.h"

// Starts the program at logon through a value of the current user's Run key whose data is the
// quoted path of the program file.
class WindowsProgramAutorun final : public ProgramAutorun {
public:
    explicit WindowsProgramAutorun(WideString valueName);

    bool IsEnabled() override;
    void SetEnabled(bool enable) override;

    // The full path of the running program file; empty when the system cannot tell.
    static WideString GetProgramPath();

private:
    WideString valueName;
};

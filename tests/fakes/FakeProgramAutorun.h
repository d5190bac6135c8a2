#pragma once

#include "platform/ProgramAutorun.h"

// Logon start held in memory, counting the writes.
class FakeProgramAutorun final : public ProgramAutorun {
public:
    static FakeProgramAutorun& Instance();

    bool IsEnabled() override { return enabled; }
    void SetEnabled(bool enable) override {
        enabled = enable;
        ++writes;
    }

    bool enabled = false;
    int writes = 0;
};

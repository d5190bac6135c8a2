#pragma once

#include <memory>

#include "model/WideString.h"

// Whether the program starts with the user's logon.
class ProgramAutorun {
public:
    virtual ~ProgramAutorun() = default;
    virtual bool IsEnabled() = 0;
    // Reports nothing: an entry that cannot be written simply stays as it was.
    virtual void SetEnabled(bool enable) = 0;
};

// The process's autorun service; the name counts only on the first call.
ProgramAutorun& GetProgramAutorun(const WideString& name);

// Defined by the platform library linked into the program (or by a test's fake).
std::unique_ptr<ProgramAutorun> CreateProgramAutorun(const WideString& name);

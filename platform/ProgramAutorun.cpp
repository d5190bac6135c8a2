#include "platform/ProgramAutorun.h"

ProgramAutorun& GetProgramAutorun(const WideString& name) {
    static const std::unique_ptr<ProgramAutorun> autorun = CreateProgramAutorun(name);
    return *autorun;
}

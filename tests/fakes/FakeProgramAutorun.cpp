#include "tests/fakes/FakeProgramAutorun.h"

std::unique_ptr<ProgramAutorun> CreateProgramAutorun(const WideString&) {
    return std::make_unique<FakeProgramAutorun>();
}

FakeProgramAutorun& FakeProgramAutorun::Instance() {
    return static_cast<FakeProgramAutorun&>(GetProgramAutorun(u"test"));
}

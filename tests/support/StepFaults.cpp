#include "support/StepFaults.h"

#include <algorithm>

namespace {
StepFaults* g_current = nullptr;
}  // namespace

StepFaults::StepFaults() {
    g_current = this;
    previous_ = SetFileStepHook(&StepFaults::Hook);
}

StepFaults::~StepFaults() {
    SetFileStepHook(previous_);
    g_current = nullptr;
}

void StepFaults::Fail(FileStep step, int nth, DWORD error, Effect effect, int times) {
    faults_.push_back({step, nth, error, std::move(effect), times});
}

std::wstring StepFaults::Taken() const {
    std::wstring text;
    for (const FileStep step : steps_) text += (text.empty() ? L"" : L" ") + std::wstring(StepName(step));
    return text;
}

DWORD StepFaults::Hook(FileStep step, const wchar_t* path, const wchar_t* other) {
    StepFaults* self = g_current;
    if (!self) return 0;
    self->steps_.push_back(step);
    const int call = int(std::count(self->steps_.begin(), self->steps_.end(), step));
    for (const Fault& fault : self->faults_) {
        if (fault.step != step || call < fault.nth || (fault.times >= 0 && call >= fault.nth + fault.times)) continue;
        if (fault.effect) fault.effect(path, other);
        return fault.error;
    }
    return 0;
}

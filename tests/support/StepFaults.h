// The failure injection seam of the safe-write module, for tests: records
// every step the module takes and fails the ones a test names.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "fileops/FileSteps.h"

class StepFaults {
public:
    // What a failing step leaves before it fails (another program's doing, or
    // a step that failed half-way), given the step's two paths.
    using Effect = std::function<void(const wchar_t* path, const wchar_t* other)>;

    StepFaults();    // installs the hook: one at a time
    ~StepFaults();   // and takes it away
    StepFaults(const StepFaults&) = delete;
    StepFaults& operator=(const StepFaults&) = delete;

    // The `nth` call (from 1) of `step` fails with `error` after `effect`; an
    // error of 0 lets the step run after the effect. `times` calls in a row fail
    // (-1: every call from the nth on).
    void Fail(FileStep step, int nth, DWORD error, Effect effect = {}, int times = 1);
    // The steps taken so far, by name, separated by spaces.
    std::wstring Taken() const;
    const std::vector<FileStep>& Steps() const { return steps_; }

private:
    static DWORD Hook(FileStep step, const wchar_t* path, const wchar_t* other);
    struct Fault {
        FileStep step;
        int nth;
        DWORD error;
        Effect effect;
        int times;
    };
    std::vector<Fault> faults_;
    std::vector<FileStep> steps_;
    FileStepHook previous_ = nullptr;
};

#include "fileops/FileSteps.h"

namespace filesteps {

FileStepHook g_hook = nullptr;

DWORD Ask(FileStep step, const wchar_t* path, const wchar_t* other) {
    const FileStepHook hook = g_hook;
    const DWORD error = hook ? hook(step, path, other) : 0;
    if (error != 0) SetLastError(error);
    return error;
}

}  // namespace filesteps

FileStepHook SetFileStepHook(FileStepHook hook) {
    const FileStepHook previous = filesteps::g_hook;
    filesteps::g_hook = hook;
    return previous;
}

const wchar_t* StepName(FileStep step) {
    static const wchar_t* const kNames[] = {L"CreateTemp", L"Write",   L"Copy",         L"Flush",
                                            L"Verify",     L"Place",        L"Rename",
                                            L"DeleteSource", L"RemoveCopy", L"LogOpen", L"LogWrite"};
    static_assert(sizeof kNames / sizeof kNames[0] == size_t(FileStep::Count));
    const size_t index = size_t(step);
    return index < size_t(FileStep::Count) ? kNames[index] : L"?";
}

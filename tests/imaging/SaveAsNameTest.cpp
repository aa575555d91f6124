#include <gtest/gtest.h>

#include "imaging/SaveAsName.h"

// The file Save As writes, and whether the dialog has already asked about it:
// a name that gets an extension after the dialog may be another, existing file.
TEST(SaveAsName, FinalNameFromDialogResultAndFilter) {
    const struct { const wchar_t* chosen; unsigned filter; const wchar_t* path; int format; bool confirmed; }
        cases[] = {
        {L"C:\\p\\a.jpg", 1, L"C:\\p\\a.jpg", 1, true},
        {L"C:\\p\\a.JPG", 1, L"C:\\p\\a.JPG", 1, true},
        {L"C:\\p\\a", 1, L"C:\\p\\a.jpg", 1, false},
        {L"C:\\p\\a.jpeg", 1, L"C:\\p\\a.jpeg.jpg", 1, false},
        {L"C:\\p\\photo.jpg", 2, L"C:\\p\\photo.jpg.bmp", 0, false},
        {L"C:\\p\\b.Bmp", 2, L"C:\\p\\b.Bmp", 0, true},
        {L"C:\\p.jpg\\c", 1, L"C:\\p.jpg\\c.jpg", 1, false},
        {L"C:\\p\\a.bmp", 0, L"C:\\p\\a.bmp.jpg", 1, false},
    };
    for (const auto& test : cases) {
        const SaveAsName name = SaveAsNameFor(test.chosen, test.filter);
        EXPECT_EQ(name.path, test.path);
        EXPECT_TRUE(name.format == test.format && name.confirmedByDialog == test.confirmed)
            << testing::PrintToString(std::wstring(test.chosen)) << " filter " << test.filter;
    }
}

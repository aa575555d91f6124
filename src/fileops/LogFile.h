// The program's two logs (errors.log, archived.log): UTF-16LE text with a
// byte-order mark, one line per entry, CR LF line ends. A log is only ever
// appended to: never truncated, never rewritten, never read first. The mark
// goes only into a new, empty file. A log another program holds is tried
// again for a moment; one that still cannot be written gives false, and the
// caller says so (AppState::ReportLogFailure), while the file operation it
// records goes on.
#pragma once

#include <string>
#include <vector>

// Appends `line` and CR LF to the log at `logPath` (made when missing). A
// control character below U+0020 in `line` is written as its control picture
// (U+2400 + c), so the entry stays one line. False when the log could not be written.
bool AppendLogLine(const wchar_t* logPath, const wchar_t* line);
// The same for many lines, written with the log opened once.
bool AppendLogLines(const wchar_t* logPath, const std::vector<std::wstring>& lines);
// Makes the log, holding only its byte-order mark, when there is none; an
// existing file is left as it is. False when there is none and none can be made.
bool CreateLogIfMissing(const wchar_t* logPath);

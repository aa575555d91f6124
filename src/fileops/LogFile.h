// The program's two logs (errors.log, archived.log): UTF-16LE text with a
// byte-order mark, one line per entry, CR LF line ends.
#pragma once

#include <string>
#include <vector>

// Appends `line` and CR LF to the log at `logPath`, creating it with a byte-order
// mark when it cannot be read. A control character below U+0020 in `line` is
// written as its control picture (U+2400 + c), so the entry stays one line.
// False when the log could not be written.
bool AppendLogLine(const wchar_t* logPath, const wchar_t* line);
// The same for many lines, written with the log opened once.
bool AppendLogLines(const wchar_t* logPath, const std::vector<std::wstring>& lines);
// Creates the log holding only its byte-order mark when it cannot be read.
bool CreateLogIfMissing(const wchar_t* logPath);

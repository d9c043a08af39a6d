// The 98 SE personality's record: one line per call that the shims answer differently from Wine,
// appended to the file that FLASH_98SE_LOG names (default: WIN98SE.LOG in the current folder), so
// that a scenario can tell what the program asked for, e.g. the restart it must not get.
#pragma once

namespace shim98 {

// Appends the line (printf format) and a CRLF. Keeps the calling thread's last error.
void Record(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace shim98

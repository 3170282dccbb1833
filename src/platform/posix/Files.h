// Whole-file reading with a size limit, and replacing a file's contents so
// that a crash leaves either the old or the new file, never a torn one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace emberhall {

// The bytes of a regular file. Raises EOSError (with the system's text) when
// it is missing, unreadable, not a regular file or larger than MaxBytes.
std::vector<uint8_t> ReadFileBytes(const std::string& FileName, size_t MaxBytes);

// Writes Text to a temporary file beside FileName (".<name>.XXXXXX"),
// flushes it and renames it over FileName; the old file's permissions are
// kept (0644 for a new one). Raises EOSError; FileName is then untouched.
void ReplaceFileContents(const std::string& FileName, const std::string& Text);

}  // namespace emberhall

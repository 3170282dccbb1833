// Whole-file reading with a size limit, and replacing a file's contents so
// that a crash leaves either the old or the new file, never a torn one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace emberhall {

// The bytes of a regular file. Raises EOSError (with the system's text) when
// it is missing, unreadable, not a regular file, larger than MaxBytes, or a
// link while FollowLinks is false.
std::vector<uint8_t> ReadFileBytes(const std::string& FileName, size_t MaxBytes, bool FollowLinks = true);

// Writes Text to a new temporary file beside FileName (".<name>.XXXXXX",
// created exclusively, never through a link), flushes it and renames it over
// FileName; the old file's permissions are kept (NewFileMode for a new one).
// Raises EOSError; FileName is then untouched.
void ReplaceFileContents(const std::string& FileName, const std::string& Text, unsigned NewFileMode = 0644);

// Removes the temporary files that writers of FileName left when they were
// killed mid-write. Only for callers that know no writer of it is active.
void RemoveStaleTemporaries(const std::string& FileName);

}  // namespace emberhall

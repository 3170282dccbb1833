#include "platform/win32/Win32LogFile.h"

#include <algorithm>
#include <vector>

#include "platform/SysUtils.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

namespace emberhall {

namespace {


}  // namespace

TWin32LogFile::~TWin32LogFile() { Close(); }

void TWin32LogFile::WriteAt(const char* Data, size_t Size, int64_t At) {
  const HANDLE file = static_cast<HANDLE>(FHandle);
  LARGE_INTEGER to;
  to.QuadPart = At;
  if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN))
    throw EOSError("Cannot write the log " + FFileName + ": " + SystemErrorText(GetLastError()));
  size_t done = 0;
  while (done < Size) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(Size - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, Data + done, chunk, &written, nullptr) || written == 0)
      throw EOSError("Cannot write the log " + FFileName + ": " + SystemErrorText(GetLastError()));
    done += written;
  }
}

void TWin32LogFile::Open(const std::string& FileName) {
  Close();
  FFileName = FileName;
  // Others may read the log while it is open, but not write it; a log that
  // another program writes makes the creation fail before it is emptied.
  const HANDLE file = CreateFileW(WideOf(FileName).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) throw EOSError("The log " + FileName + " is in use by another program");
    throw EOSError("Cannot create the log " + FileName + ": " + SystemErrorText(error));
  }
  FHandle = file;
  try {
    const std::vector<char> zeros(BlockSize, 0);
    WriteAt(zeros.data(), zeros.size(), 0);
  } catch (...) {
    Close();
    throw;
  }
  FSize = BlockSize;
  FPosition = 0;
}

void TWin32LogFile::WriteLine(const std::string& Text) {
  if (!FHandle) return;
  const std::string line = Text + "\r\n";
  const int64_t end = FPosition + static_cast<int64_t>(line.size());
  if (end > FSize) {
    // The new zero block starts where the line will be written.
    const std::vector<char> zeros(BlockSize, 0);
    WriteAt(zeros.data(), zeros.size(), FPosition);
    FSize = FPosition + BlockSize;
  }
  WriteAt(line.data(), line.size(), FPosition);
  FPosition = end;
  if (end > FSize) FSize = end;
}

void TWin32LogFile::Close() {
  if (FHandle) CloseHandle(static_cast<HANDLE>(FHandle));
  FHandle = nullptr;
}

}  // namespace emberhall

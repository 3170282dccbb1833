// Arbitrary bytes as a display record: parsed, and a record that parses is
// written and parsed again, which must give the same record. Built as a
// libFuzzer target with EMBERHALL_FUZZ_MAIN; the tests replay the corpus
// through the same function.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/x11/DisplayRecord.h"

namespace emberhall {

// False only when a parsed record does not survive its own text form.
bool ParseDisplayRecordBytes(const uint8_t* Data, size_t Size) {
  TDisplayRecord record;
  if (!ParseDisplayRecord(std::string_view(reinterpret_cast<const char*>(Data), Size), record)) return true;
  TDisplayRecord again;
  return ParseDisplayRecord(FormatDisplayRecord(record), again) && again == record;
}

}  // namespace emberhall

#ifdef EMBERHALL_FUZZ_MAIN
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (!emberhall::ParseDisplayRecordBytes(Data, Size)) __builtin_trap();
  return 0;
}
#endif

// A receiver type definition of any text: the record stays within the
// fields' limits and travels to clients (type 4) unchanged.

#include "fuzz/fuzz_check.h"
#include "protocol/messages.h"
#include "store/ini_file.h"
#include "store/receiver_types.h"

using namespace orlund;

namespace {

// A template is whole lines, each followed by byte 0, none holding a line
// end.
void CheckTemplate(const std::string& lines) {
  FUZZ_CHECK(lines.size() < static_cast<size_t>(kTemplateBufferLength));
  FUZZ_CHECK(lines.empty() || lines.back() == '\0');
  FUZZ_CHECK(lines.find_first_of("\r\n") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ReceiverTypeRecord type =
      ReceiverTypeFromFile("ReceiverType_0007.rcv", 7, fuzz::Bytes(data, size));
  FUZZ_CHECK(type.Name.size() <= kIniValueCapacity && type.Algorithm.size() <= kIniValueCapacity);
  CheckTemplate(type.ReceiverSetupTemplate);
  CheckTemplate(type.ReceiverTypeSetupTemplate);
  const ReceiverTypesAnswer answer{{type, type}};
  FUZZ_CHECK(Decode<ReceiverTypesAnswer>(Encode(answer)) == answer);
  return 0;
}

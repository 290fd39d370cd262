// A receiver file of any bytes: loading never fails; a format 4 record is
// written back byte for byte, a converted format 3 record reads back as
// itself, and every setting has its text form for clients.

#include "fuzz/fuzz_check.h"
#include "store/receivers.h"

using namespace orlund;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const ReceiverFile file = DecodeReceiverFile(bytes);
  const bool loaded = file.status == ReceiverFile::Status::kLoaded ||
                      file.status == ReceiverFile::Status::kConverted;
  if (!loaded) {
    FUZZ_CHECK(file.record == ReceiverRecord());
    return 0;
  }
  const std::string encoded = EncodeReceiverFile(file.record);
  if (file.status == ReceiverFile::Status::kLoaded) {
    // Values keep their exact bits, so the file's own bytes come back.
    FUZZ_CHECK(bytes.substr(0, encoded.size()) == encoded);
  }
  const ReceiverFile reread = DecodeReceiverFile(encoded);
  FUZZ_CHECK(reread.status == ReceiverFile::Status::kLoaded);
  FUZZ_CHECK(reread.record == file.record);
  for (const Variant& setting : file.record.Settings) {
    const std::string text = setting.ToText();
    if (setting.kind() == VariantKind::kText) FUZZ_CHECK(text == setting.text());
  }
  return 0;
}

#include "store/receiver_types.h"

#include <optional>

#include "base/file_utils.h"
#include "base/numeric.h"
#include "base/text_case.h"
#include "store/data_file_names.h"
#include "store/ini_file.h"

namespace orlund {

namespace {

constexpr char kReceiverTypePattern[] = "ReceiverType_????.rcv";
constexpr size_t kReceiverTypePrefixLength = 13;  // "ReceiverType_"
constexpr char kSubdirectory[] = "ReceiverTypes/";

}  // namespace

ReceiverTypeRecord ReceiverTypeFromFile(std::string_view file_name, int16_t number,
                                        std::string_view content) {
  ReceiverTypeRecord record;
  record.Number = number;
  record.RcvFile = kSubdirectory + std::string(file_name);
  size_t extension = UpperCase1252(file_name).find(".RCV");
  record.IniFile = kSubdirectory + std::string(file_name.substr(0, extension)) + ".INI";
  record.Name = IniLookup(content, "General", "Name", "[none]");
  record.Algorithm = UpperCase1252(IniLookup(content, "General", "Algorithm", ""));
  record.MessageLength =
      TextToInt16(IniLookup(content, "General", "MessageLength", "0")).value_or(0);
  record.ReceiverSetupTemplate =
      IniSectionLines(content, "ReceiverSetupTemplate", kTemplateBufferLength);
  record.ReceiverTypeSetupTemplate =
      IniSectionLines(content, "ReceiverTypeSetupTemplate", kTemplateBufferLength);
  return record;
}

int16_t LoadReceiverTypes(ReceiverTypeTable &table, const StoreContext &ctx) {
  const std::string directory = ctx.project_dir + kSubdirectory;
  int count = 0;
  size_t skipped = 0;
  for (const NumberedFile &file :
       ListNumberedFiles(directory, kReceiverTypePattern, kReceiverTypePrefixLength, ctx.fs)) {
    if (count == kReceiverTypeCapacity) {
      ++skipped;
      continue;
    }
    std::optional<std::string> content = ReadFileBytes(directory + file.name);
    table.ReceiverTypes[count++] =
        ReceiverTypeFromFile(file.name, file.number, content ? *content : std::string());
  }
  if (skipped > 0) ctx.log.ServerLog(TableFullLogLine(directory, kReceiverTypeCapacity, skipped));
  for (int slot = count; slot < kReceiverTypeCapacity; ++slot) {
    table.ReceiverTypes[slot] = ReceiverTypeRecord();
  }
  table.ReceiverTypeCount = static_cast<int16_t>(count);
  return table.ReceiverTypeCount;
}

}  // namespace orlund

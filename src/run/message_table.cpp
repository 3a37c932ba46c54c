// English texts of the numbered messages.
#include "run/message_table.h"

namespace orv {

std::string_view MessageText(int number) {
  switch (number) {
    case kMsgCaptionDirectoryError: return "Directory Error";
    case kMsgCaptionFileSelectionError: return "File selection error";
    case kMsgCaptionPolicyFileError: return "Policy File Error";
    case kMsgCaptionConvertError: return "Convert Error";
    case kMsgInvalidInputDirectory: return "Invalid Input Directory";
    case kMsgInvalidOutputDirectory: return "Invalid Output Directory.\n\rMust be writable";
    case kMsgNoFilesFound: return "No files found \"xxxxxx\"";
    case kMsgCantFindPolicyFile: return "Can't find policy file \"xxxxxx\"";
    case kMsgConversionFailed: return "Conversion failed";
    case kMsgUnableToLocateFile: return "Unable to locate file \"ffffff\"";
    case kMsgFailedToOpenLog: return "*** Failed to open log file : ffffff ***";
    case kMsgOpeningInstead: return "    Opening ffffff instead";
    case kMsgConversionComplete:
      return "%%%%%%%%%%%%%%%%%%% Conversion complete %%%%%%%%%%%%%%%%%%";
    default: return "";
  }
}

std::string MessageWith(int number, std::string_view value) {
  std::string text(MessageText(number));
  for (std::string_view placeholder : {"ffffff", "xxxxxx", "hhhhhh", "nnn"}) {
    size_t pos = text.find(placeholder);
    if (pos != std::string::npos) {
      text.replace(pos, placeholder.size(), value);
      break;
    }
  }
  return text;
}

}  // namespace orv

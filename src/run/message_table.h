// The numbered user-interface messages (English texts) and the filling of
// their placeholders: "ffffff" a file name, "xxxxxx" a specification,
// "hhhhhh" and "nnn" other values.
#pragma once

#include <string>
#include <string_view>

namespace orv {

enum MessageNumber : int {
  kMsgCaptionDirectoryError = 3,
  kMsgCaptionFileSelectionError = 4,
  kMsgCaptionPolicyFileError = 6,
  kMsgCaptionConvertError = 9,
  kMsgInvalidInputDirectory = 28,
  kMsgInvalidOutputDirectory = 29,
  kMsgNoFilesFound = 30,
  kMsgCantFindPolicyFile = 32,
  kMsgConversionFailed = 48,
  kMsgUnableToLocateFile = 49,
  kMsgFailedToOpenLog = 69,
  kMsgOpeningInstead = 70,
  kMsgConversionComplete = 71,
};

// The English text of message `number`, or "" for a number not in the table.
std::string_view MessageText(int number);

// The text of message `number` with its first placeholder ("ffffff",
// "xxxxxx", "hhhhhh" or "nnn") replaced by `value`.
std::string MessageWith(int number, std::string_view value);

}  // namespace orv

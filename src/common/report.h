// The reporting callback that lower-level code is handed: a message with
// its kind prefix and a level from 1 to 10. The conversion wires it to the
// policy set's report, tests to a list.
#pragma once

#include <functional>
#include <string>

namespace orv {

using ReportFunction = std::function<void(const std::string& message, int level)>;

}  // namespace orv

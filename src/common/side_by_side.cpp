#include "common/side_by_side.h"

#include <exception>
#include <system_error>
#include <thread>

namespace orv {

bool RunSideBySide(const std::function<void()>& first, const std::function<void()>& second) {
  std::exception_ptr failure;
  std::thread helper;
  try {
    helper = std::thread([&] {
      try {
        second();
      } catch (...) {
        failure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    return false;
  }
  try {
    first();
  } catch (...) {
    helper.join();
    throw;
  }
  helper.join();
  if (failure) std::rethrow_exception(failure);
  return true;
}

}  // namespace orv

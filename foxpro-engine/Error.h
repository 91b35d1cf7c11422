#pragma once
#include <stdexcept>
#include <string>

namespace fox {

// A failure of the engine, in FoxPro's style: FoxPro's own error number and message where
// FoxPro has one ("File 'x.dbf' does not exist." is 1).
class Error : public std::runtime_error {
 public:
  Error(int number, const std::string& message) : std::runtime_error(message), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

}  // namespace fox

#pragma once
#include <stdexcept>
#include <string>

namespace ado {

// Every failure of the layer, a provider, a file or a server: a number and a description.
// MySQL failures carry the server's or client's error number and message; FoxPro failures
// carry FoxPro's error number and message.
class Error : public std::runtime_error {
 public:
  Error(long number, const std::string& description)
      : std::runtime_error(description), number_(number), description_(description) {}

  long Number() const { return number_; }
  const std::string& Description() const { return description_; }

 private:
  long number_;
  std::string description_;
};

// Numbers the layer itself raises (ADO's and the ODBC driver manager's own).
namespace errors {
inline constexpr long kProviderNotFound = 3706;           // "Provider cannot be found..."
inline constexpr long kDataSourceNotFound = -2147467259;  // 0x80004005, driver manager
inline constexpr long kObjectClosed = 3704;               // "Operation is not allowed when the object is closed."
inline constexpr long kObjectOpen = 3705;                 // "Operation is not allowed when the object is open."
inline constexpr long kBofOrEof = 3021;                   // "Either BOF or EOF is True..."
inline constexpr long kItemNotFound = 3265;               // "Item cannot be found in the collection..."
inline constexpr long kNotSupported = 3251;               // "Current Recordset does not support updating..."
inline constexpr long kWrongArgument = 3001;              // "Arguments are of the wrong type..."
}  // namespace errors

}  // namespace ado

#pragma once
// Every error the FoxPro provider raises itself, with FoxPro's own number and message where
// FoxPro has one. The engine raises its own (fox::Error as well); the provider passes them on.
#include <filesystem>
#include <new>
#include <string>
#include <string_view>

#include "foxpro-engine/Error.h"
#include "platform/ado/Error.h"

namespace foxpro::errors {

inline constexpr int kFileDoesNotExist = 1;        // "File 'x.dbf' does not exist."
inline constexpr int kFileInUse = 3;               // "File 'x.dbf' is in use."
inline constexpr int kSyntaxError = 10;            // "Syntax error."
inline constexpr int kInvalidArgument = 11;        // "Function argument value, type, or count is invalid."
inline constexpr int kVariableNotFound = 12;       // "Variable 'x' is not found."
inline constexpr int kUnrecognizedVerb = 16;       // "Unrecognized command verb."
inline constexpr int kUnrecognizedPhrase = 36;     // "Command contains unrecognized phrase/keyword."
inline constexpr int kNoTableInUse = 52;           // "No table is open in the current work area."
inline constexpr int kNotEnoughMemory = 43;        // "There is not enough memory to complete this operation."
inline constexpr int kOperandTypeMismatch = 107;   // "Operator/operand type mismatch."
inline constexpr int kInvalidPath = 202;           // "Invalid path or file name."
inline constexpr int kFeatureNotAvailable = 1001;  // "Feature is not available." (with what is missing)
inline constexpr int kErrorWritingFile = 1105;     // "Error writing to file 'x'."
inline constexpr int kTooFewArguments = 1229;      // "Too few arguments."
inline constexpr int kTooManyArguments = 1230;     // "Too many arguments."
inline constexpr int kMissingOperand = 1231;       // "Missing operand."
inline constexpr int kFileAccessDenied = 1705;     // "File access is denied."
inline constexpr int kAmbiguousDate = 2033;        // "Ambiguous Date/Datetime constant."
inline constexpr int kInvalidDate = 2034;          // "Date/Datetime evaluated to an invalid value."
// Shared with the engine, for failures FoxPro has no confirmed number for.
inline constexpr int kInvalidName = fox::err::InvalidName;            // 3001: a name FoxPro rejects
inline constexpr int kInvalidStructure = fox::err::InvalidStructure;  // 3002: a column definition FoxPro rejects

fox::Error fileDoesNotExist(std::string_view file);
fox::Error fileInUse(std::string_view file);
fox::Error syntaxError();
fox::Error invalidArgument();
fox::Error variableNotFound(std::string_view name);
fox::Error unrecognizedVerb();
fox::Error unrecognizedPhrase();
fox::Error noTableInUse();
fox::Error notEnoughMemory();
fox::Error operandTypeMismatch();
fox::Error invalidPath();
fox::Error errorWritingFile(std::string_view file);
fox::Error tooFewArguments();
fox::Error tooManyArguments();
fox::Error missingOperand();
fox::Error fileAccessDenied(std::string_view file);
// "Invalid field name 'x': another field has that name."
fox::Error invalidFieldName(std::string_view name, std::string_view problem);
fox::Error ambiguousDate();
fox::Error invalidDate();
// A width or number of decimal places that the field type does not allow.
fox::Error invalidFieldWidth(std::string_view field);
// More fields or longer records than a table can have.
fox::Error tooLargeStructure();
fox::Error featureNotAvailable(std::string_view what);

// Runs `work`, turning every failure into the layer's error with FoxPro's number and message:
// what the provider hands to the layer (statements, catalogue, rows) fails only with ado::Error.
template <typename Work>
auto translated(Work&& work) -> decltype(work()) {
  try {
    return work();
  } catch (const fox::Error& e) {
    throw ado::Error(e.number(), e.what());
  } catch (const std::bad_alloc&) {
    fox::Error e = notEnoughMemory();
    throw ado::Error(e.number(), e.what());
  } catch (const std::filesystem::filesystem_error& e) {
    fox::Error error = errorWritingFile(e.path1().string());
    throw ado::Error(error.number(), error.what());
  }
}

}  // namespace foxpro::errors

#include "Errors.h"

namespace foxpro::errors {

namespace {
fox::Error named(int number, std::string_view before, std::string_view name, std::string_view after) {
  std::string message(before);
  message += name;
  message += after;
  return fox::Error(number, message);
}
}  // namespace

fox::Error fileDoesNotExist(std::string_view file) {
  return named(kFileDoesNotExist, "File '", file, "' does not exist.");
}
fox::Error fileInUse(std::string_view file) { return named(kFileInUse, "File '", file, "' is in use."); }
fox::Error syntaxError() { return fox::Error(kSyntaxError, "Syntax error."); }
fox::Error invalidArgument() {
  return fox::Error(kInvalidArgument, "Function argument value, type, or count is invalid.");
}
fox::Error variableNotFound(std::string_view name) {
  return named(kVariableNotFound, "Variable '", name, "' is not found.");
}
fox::Error unrecognizedVerb() { return fox::Error(kUnrecognizedVerb, "Unrecognized command verb."); }
fox::Error noTableInUse() { return fox::Error(kNoTableInUse, "No table is open in the current work area."); }
fox::Error unrecognizedPhrase() {
  return fox::Error(kUnrecognizedPhrase, "Command contains unrecognized phrase/keyword.");
}
fox::Error notEnoughMemory() {
  return fox::Error(kNotEnoughMemory, "There is not enough memory to complete this operation.");
}
fox::Error operandTypeMismatch() { return fox::Error(kOperandTypeMismatch, "Operator/operand type mismatch."); }
fox::Error invalidPath() { return fox::Error(kInvalidPath, "Invalid path or file name."); }
fox::Error featureNotAvailable(std::string_view what) {
  return named(kFeatureNotAvailable, "Feature is not available: ", what, ".");
}
fox::Error errorWritingFile(std::string_view file) {
  return named(kErrorWritingFile, "Error writing to file '", file, "'.");
}
fox::Error tooFewArguments() { return fox::Error(kTooFewArguments, "Too few arguments."); }
fox::Error tooManyArguments() { return fox::Error(kTooManyArguments, "Too many arguments."); }
fox::Error missingOperand() { return fox::Error(kMissingOperand, "Missing operand."); }
fox::Error fileAccessDenied(std::string_view file) {
  return named(kFileAccessDenied, "File access is denied: '", file, "'.");
}
fox::Error invalidFieldName(std::string_view name, std::string_view problem) {
  return named(kInvalidName, "Invalid field name '", name, "': " + std::string(problem) + ".");
}
fox::Error ambiguousDate() { return fox::Error(kAmbiguousDate, "Ambiguous Date/Datetime constant."); }
fox::Error invalidFieldWidth(std::string_view field) {
  return named(kInvalidStructure, "Field '", field, "': the width or number of decimal places is invalid.");
}
fox::Error tooLargeStructure() {
  return fox::Error(kInvalidStructure, "A table has at most 255 fields and records of at most 65,500 bytes.");
}
fox::Error invalidDate() { return fox::Error(kInvalidDate, "Date/Datetime evaluated to an invalid value."); }

}  // namespace foxpro::errors

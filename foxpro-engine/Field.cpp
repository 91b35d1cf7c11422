#include "Field.h"

namespace fox {

bool Field::binary() const {
  switch (type) {
    case 'Q':
    case 'W':
    case 'G':
    case 'P':
      return true;
    case 'C':
    case 'V':
    case 'M':
      return (flags & kFlagBinary) != 0;
    default:
      return false;  // stored as numbers or ASCII: nothing to translate
  }
}

std::optional<std::string> widthProblem(char type, long width, long decimals) {
  switch (type) {
    case 'C':
    case 'V':
    case 'Q':
      if (width < 1 || width > 254) return std::string("a ") + type + " field is 1 to 254 wide";
      return std::nullopt;
    case 'N':
    case 'F':
      if (width < 1 || width > 20) return "a numeric field is 1 to 20 wide";
      if (decimals < 0 || (decimals > 0 && decimals > width - 2) || decimals > 18)
        return "its decimals must leave room for the digits, the point and a sign";
      return std::nullopt;
    case 'B':
      if (decimals < 0 || decimals > 18) return "a double field has 0 to 18 decimals";
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace fox

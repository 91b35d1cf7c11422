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

}  // namespace fox

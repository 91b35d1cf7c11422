#include "Datatype.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::pair<std::int16_t, std::string_view> kNames[] = {
    {0, "adEmpty"},
    {2, "adSmallInt"},
    {3, "adInteger"},
    {4, "adSingle"},
    {5, "adDouble"},
    {6, "adCurrency"},
    {7, "adDate"},
    {8, "adBSTR"},
    {9, "adIDispatch"},
    {10, "adError"},
    {11, "adBoolean"},
    {12, "adVariant"},
    {13, "adIUnknown"},
    {14, "adDecimal"},
    {16, "adTinyInt"},
    {17, "adUnsignedTinyInt"},
    {18, "adUnsignedSmallInt"},
    {19, "adUnsignedInt"},
    {20, "adBigInt"},
    {21, "adUnsignedBigInt"},
    {64, "adFileTime"},
    {72, "adGUID"},
    {128, "adBinary"},
    {129, "adChar"},
    {130, "adWChar"},
    {131, "adNumeric"},
    {132, "adUserDefined"},
    {133, "adDBDate"},
    {134, "adDBTime"},
    {135, "adDBTimeStamp"},
    {136, "adChapter"},
    {138, "adPropVariant"},
    {139, "adVarNumeric"},
    {200, "adVarChar"},
    {201, "adLongVarChar"},
    {202, "adVarWChar"},
    {203, "adLongVarWChar"},
    {204, "adVarBinary"},
    {205, "adLongVarBinary"},
};

}  // namespace

std::string_view AdoTypeName(std::int16_t code) {
  const auto* found =
      std::find_if(std::begin(kNames), std::end(kNames), [code](const auto& e) { return e.first == code; });
  return found == std::end(kNames) ? std::string_view() : found->second;
}

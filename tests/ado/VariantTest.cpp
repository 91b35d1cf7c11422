#include <gtest/gtest.h>

#include "platform/ado/Error.h"
#include "platform/ado/Variant.h"

using ado::Variant;

TEST(Variant, NullIsDistinctAndWrongKindAccessIsAnError) {
  EXPECT_TRUE(Variant().isNull());
  EXPECT_NE(Variant(), Variant(""));
  EXPECT_NE(Variant(), Variant(0));
  EXPECT_EQ(Variant().toText(), "");
  EXPECT_THROW(Variant("7").asInteger(), ado::Error);
  EXPECT_THROW(Variant().asText(), ado::Error);
}

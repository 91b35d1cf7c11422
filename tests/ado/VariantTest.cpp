#include <gtest/gtest.h>

#include "platform/ado/Error.h"
#include "platform/ado/Variant.h"

using ado::Variant;

// NULL is distinct from empty text and zero; the wrong kind of access is an error. The text form,
// as a copy writes it: a whole double without a point or an exponent, bytes as they are with a NUL
// among them.
TEST(Variant, NullWrongKindAccessAndTextForms) {
  EXPECT_TRUE(Variant().isNull());
  EXPECT_NE(Variant(), Variant(""));
  EXPECT_NE(Variant(), Variant(0));
  EXPECT_EQ(Variant().toText(), "");
  EXPECT_THROW(Variant("7").asInteger(), ado::Error);
  EXPECT_THROW(Variant().asText(), ado::Error);
  EXPECT_EQ(Variant(100.0).toText(), "100");
  EXPECT_EQ(Variant(ado::Bytes{'a', 0, 'b'}).toText(), std::string("a\0b", 3));
}

#include <gtest/gtest.h>
#include "transfer/FoxProLiterals.h"

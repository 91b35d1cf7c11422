#include "CopyTest.h"

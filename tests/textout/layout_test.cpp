#include "textout/layout.h"
#include <gtest/gtest.h>
namespace orv { namespace { TEST(LayoutSmoke, Builds) { ProgramLayoutState s; LineLayout l(s); EXPECT_EQ(l.LayoutWidth(), 72); } } }

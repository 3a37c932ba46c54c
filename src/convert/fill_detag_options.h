// Copying the policies in force into DetagOptions: the one place where the
// conversion reads policy sets for the pass.
#pragma once

#include "html/detag_options.h"

namespace orv {

class PolicySet;

// Fills the options from the policies in force: orvtext's sections through
// the set's shared policies, then applies the dependent rules.
DetagOptions FillDetagOptions(PolicySet& policies);

}  // namespace orv

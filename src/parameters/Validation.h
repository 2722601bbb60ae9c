#pragma once

#include "ParGen.h"

#include <optional>

// One rule: the text of field must convert to a number in Low..High (and not 10000 where
// Not_10000 is set). A rule with Gate applies only while that gateway switch is on.
struct ParGen_Rule {
    QString ParGen_Params::*Field;
    bool ParGen_Params::*Gate;
    int Low;
    int High;
    bool Not_10000;
    int Message; // Lang_Strings entry
};

// The twenty-eight rules in the order they are checked.
const std::array<ParGen_Rule, 28> &ParGen_Rules();

// Runs the rules in order and stops at the first that fails: that rule, or null when every
// rule passes.
const ParGen_Rule *Failed_Rule(const ParGen_Params &params);

// The message entry of Failed_Rule, or nullopt when every rule passes.
std::optional<int> First_Failed_Rule(const ParGen_Params &params);

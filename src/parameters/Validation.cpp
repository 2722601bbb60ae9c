#include "Validation.h"

#include "shell/Conversions.h"

namespace {

using P = ParGen_Params;

// The rules of one endpoint: address, mask, gateway (while enabled) and port, with their
// message entries numbered from first_message in the same order.
std::array<ParGen_Rule, 13> Endpoint_Rules(const ParGen_Endpoint &end, int first_message) {
    std::array<ParGen_Rule, 13> rules{};
    for (int i = 0; i < 4; ++i) {
        rules[i] = {end.IP[i], nullptr, 0, 255, false, first_message + i};
        rules[4 + i] = {end.SM[i], nullptr, 0, 255, false, first_message + 4 + i};
        rules[8 + i] = {end.GAT[i], end.EN_GAT, 0, 255, false, first_message + 8 + i};
    }
    rules[12] = {end.Port, nullptr, 0, 65535, true, first_message + 12};
    return rules;
}

std::array<ParGen_Rule, 28> Build_Rules() {
    const auto one = Endpoint_Rules(ParGen_Endpoints()[0], 841);
    const auto two = Endpoint_Rules(ParGen_Endpoints()[1], 877);
    std::array<ParGen_Rule, 28> rules{};
    std::copy(one.begin(), one.end(), rules.begin());
    std::copy(two.begin(), two.end(), rules.begin() + 13);
    rules[26] = {&P::OPTIONS_OFFSET_REGISTERS, nullptr, 0, 61535, false, 856};
    rules[27] = {&P::OPTIONS_OFFSET_STATUS, nullptr, 0, 61535, false, 857};
    return rules;
}

} // namespace

const std::array<ParGen_Rule, 28> &ParGen_Rules() {
    static const std::array<ParGen_Rule, 28> rules = Build_Rules();
    return rules;
}

const ParGen_Rule *Failed_Rule(const ParGen_Params &params) {
    for (const ParGen_Rule &rule : ParGen_Rules()) {
        if (rule.Gate && !(params.*rule.Gate))
            continue;
        const int value = Text_To_Int_Def(params.*rule.Field, -1);
        if (value < rule.Low || value > rule.High || (rule.Not_10000 && value == 10000))
            return &rule;
    }
    return nullptr;
}

std::optional<int> First_Failed_Rule(const ParGen_Params &params) {
    const ParGen_Rule *rule = Failed_Rule(params);
    return rule ? std::optional<int>(rule->Message) : std::nullopt;
}

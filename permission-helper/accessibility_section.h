// The report's "accessibility" object: whether the system database holds a usable
// accessibility grant for a requested client, and only then whether this process is trusted.
#pragma once

#include "helper_platform.h"
#include "json_text.h"

namespace ozmi::permission {

// The verdict drawn from the tcc object's rows: "tcc-unreadable", "no-row", "not-allowed",
// "stale-grant" or "allowed". The first usable grant decides; without one, the last
// matching row does.
std::string accessibilityVerdict(const json::Value& tcc);

// Whether the verdict reads this row of the tcc object: a row of the system database for the
// accessibility service. No other row is ever read, only written.
bool verdictReadsRow(const json::Value& row);

// {"trusted":<platform's answer>} for "allowed" (the platform is asked only then), otherwise
// {"skipped":<verdict>}.
json::Value accessibilitySection(const json::Value& tcc, Platform& platform);

}  // namespace ozmi::permission

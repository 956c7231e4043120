#pragma once

#include "gatekit/recorded/RuleRecord.h"

#include <string>
#include <vector>

// The text of the recorded rule file: a first line naming the format, then one
// "[rule]" block per rule with one "key=value" line per property, in UTF-8.
// Lines starting with "#" and blank lines are comments. Backslash, line feed
// and carriage return in values are written as \\, \n and \r.
namespace RuleFileFormat {

std::string write(const std::vector<gatekit::RuleRecord>& rules);
// False when `text` is not such a file; `error` then names the first fault
// with its line number. An empty text holds no rules.
bool read(const std::string& text, std::vector<gatekit::RuleRecord>& rules, std::string& error);

} // namespace RuleFileFormat

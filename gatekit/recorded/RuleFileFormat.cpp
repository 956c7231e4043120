#include "gatekit/recorded/RuleFileFormat.h"

#include "gatekit/WideText.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace RuleFileFormat {
namespace {

using gatekit::RuleRecord;

const char kFormatLine[] = "gatekit-rules 1";
const char kRuleLine[] = "[rule]";
const char kPreamble[] =
    "# Firewall rules recorded by gatekit, one [rule] block each. On Linux they\n"
    "# are recorded, not enforced: the system firewall does not see them.\n";

enum class Kind { Text, Number, Flag };

struct Field {
    const char* key;
    Kind kind;
    std::wstring RuleRecord::*text;
    long RuleRecord::*number;
};

const Field kFields[] = {
    {"name", Kind::Text, &RuleRecord::name, nullptr},
    {"description", Kind::Text, &RuleRecord::description, nullptr},
    {"protocol", Kind::Number, nullptr, &RuleRecord::protocol},
    {"localPorts", Kind::Text, &RuleRecord::localPorts, nullptr},
    {"grouping", Kind::Text, &RuleRecord::grouping, nullptr},
    {"interfaceTypes", Kind::Text, &RuleRecord::interfaceTypes, nullptr},
    {"profiles", Kind::Number, nullptr, &RuleRecord::profiles},
    {"action", Kind::Number, nullptr, &RuleRecord::action},
    {"applicationName", Kind::Text, &RuleRecord::applicationName, nullptr},
    {"direction", Kind::Number, nullptr, &RuleRecord::direction},
    {"enabled", Kind::Flag, nullptr, nullptr},
};
constexpr std::size_t kFieldCount = sizeof kFields / sizeof kFields[0];

std::string escaped(const std::wstring& value) {
    std::string out;
    for (const char c : WideText::toUtf8(value)) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

bool unescaped(const std::string& value, std::wstring& text) {
    std::string utf8;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            utf8 += value[i];
            continue;
        }
        if (++i == value.size())
            return false;
        if (value[i] == '\\')
            utf8 += '\\';
        else if (value[i] == 'n')
            utf8 += '\n';
        else if (value[i] == 'r')
            utf8 += '\r';
        else
            return false;
    }
    return WideText::fromUtf8(utf8, text);
}

bool parsedNumber(const std::string& value, long& number) {
    if (value.empty() || (value[0] != '-' && (value[0] < '0' || value[0] > '9')))
        return false;
    char* end = nullptr;
    errno = 0;
    number = std::strtol(value.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

bool parsedValue(const Field& field, const std::string& value, RuleRecord& rule) {
    switch (field.kind) {
    case Kind::Text:
        return unescaped(value, rule.*field.text);
    case Kind::Number:
        return parsedNumber(value, rule.*field.number);
    case Kind::Flag:
        rule.enabled = value == "true";
        return value == "true" || value == "false";
    }
    return false;
}

// Collects one rule block and tells which of its keys were seen.
class BlockReader {
public:
    bool open() const { return open_; }
    void start() {
        open_ = true;
        rule_ = RuleRecord();
        for (bool& s : seen_)
            s = false;
    }
    // An empty result means the line was taken.
    std::string take(const std::string& line) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            return "a line that is no key=value pair";
        const std::string key = line.substr(0, equals);
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            if (key != kFields[i].key)
                continue;
            if (seen_[i])
                return "key \"" + key + "\" given twice";
            seen_[i] = true;
            if (!parsedValue(kFields[i], line.substr(equals + 1), rule_))
                return "a bad value for \"" + key + "\"";
            return std::string();
        }
        return "an unknown key \"" + key + "\"";
    }
    // An empty result means the block was complete.
    std::string finish(std::vector<RuleRecord>& rules) {
        open_ = false;
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            if (!seen_[i])
                return std::string("a rule without \"") + kFields[i].key + "\"";
        }
        rules.push_back(rule_);
        return std::string();
    }

private:
    bool open_ = false;
    RuleRecord rule_;
    bool seen_[kFieldCount] = {};
};

} // namespace

std::string write(const std::vector<RuleRecord>& rules) {
    std::ostringstream out;
    out << kFormatLine << '\n' << kPreamble;
    for (const RuleRecord& rule : rules) {
        out << '\n' << kRuleLine << '\n';
        for (const Field& field : kFields) {
            out << field.key << '=';
            if (field.kind == Kind::Text)
                out << escaped(rule.*field.text);
            else if (field.kind == Kind::Number)
                out << rule.*field.number;
            else
                out << (rule.enabled ? "true" : "false");
            out << '\n';
        }
    }
    return out.str();
}

bool read(const std::string& text, std::vector<RuleRecord>& rules, std::string& error) {
    rules.clear();
    if (text.empty())
        return true;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    BlockReader block;
    auto failAt = [&](int lineNumber, const std::string& what) {
        error = "line " + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++number;
        if (number == 1) {
            if (line != kFormatLine)
                return failAt(number, "not a gatekit rule file");
            continue;
        }
        if (line.empty() || line[0] == '#')
            continue;
        if (line == kRuleLine) {
            if (block.open()) {
                const std::string fault = block.finish(rules);
                if (!fault.empty())
                    return failAt(number, fault);
            }
            block.start();
            continue;
        }
        if (!block.open())
            return failAt(number, "a line outside any [rule] block");
        const std::string fault = block.take(line);
        if (!fault.empty())
            return failAt(number, fault);
    }
    if (block.open()) {
        const std::string fault = block.finish(rules);
        if (!fault.empty())
            return failAt(number, fault);
    }
    return true;
}

} // namespace RuleFileFormat

#include "server/name_pattern.h"

namespace vetrel {
namespace {

constexpr size_t kNone = std::string_view::npos;

// Where the set that opens at pattern[open] closes; kNone when it never does. A "]" first in
// the set (after a "!") stands for itself.
size_t setEnd(std::string_view pattern, size_t open)
{
    size_t at = open + 1;
    if (at < pattern.size() && pattern[at] == '!') ++at;
    if (at < pattern.size() && pattern[at] == ']') ++at;
    return pattern.find(']', at);
}

// Whether c is in the set pattern[open..close].
bool inSet(unsigned char c, std::string_view pattern, size_t open, size_t close)
{
    size_t at = open + 1;
    const bool negated = pattern[at] == '!';
    if (negated) ++at;
    bool found = false;
    while (at < close) {
        const auto low = static_cast<unsigned char>(pattern[at]);
        if (at + 2 < close && pattern[at + 1] == '-') {
            found = found || (c >= low && c <= static_cast<unsigned char>(pattern[at + 2]));
            at += 3;
        } else {
            found = found || c == low;
            ++at;
        }
    }
    return found != negated;
}

bool wellFormed(std::string_view pattern)
{
    for (size_t open = pattern.find('['); open != kNone; open = pattern.find('[', open + 1)) {
        open = setEnd(pattern, open);
        if (open == kNone) return false;
    }
    return true;
}

} // namespace

std::optional<bool> matchesNamePattern(std::string_view name, std::string_view pattern)
{
    if (!wellFormed(pattern)) return std::nullopt;
    if (pattern.empty()) return true;
    // Greedy, going back to the last star on a mismatch: linear in practice, never recursive.
    size_t n = 0, p = 0;
    size_t star = kNone, starName = 0;
    while (n < name.size()) {
        size_t next = p + 1;
        bool step = false;
        if (p < pattern.size()) {
            const auto c = static_cast<unsigned char>(name[n]);
            switch (pattern[p]) {
            case '*':
                star = p++;
                starName = n;
                continue;
            case '?':
                step = true;
                break;
            case '#':
                step = c >= '0' && c <= '9';
                break;
            case '[': {
                const size_t close = setEnd(pattern, p);
                step = inSet(c, pattern, p, close);
                next = close + 1;
                break;
            }
            default:
                step = name[n] == pattern[p];
            }
        }
        if (step) {
            ++n;
            p = next;
        } else if (star != kNone) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

} // namespace vetrel

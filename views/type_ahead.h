// TypeAhead: what the letters typed into a tree look for. Letters typed within
// kPauseMs of each other make one prefix that grows as they come; after a pause the next
// letter starts a new prefix. The same letter typed again and again steps from one item
// that begins with it to the next. The time is passed in, so the rule is tested without a clock.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

struct TypeAheadSearch {
    std::string text;
    // True: the selected item may match (a longer prefix of what it already matched);
    // false: the search starts after it.
    bool from_selection = false;
};

class TypeAhead {
public:
    static constexpr double kPauseMs = 1000;

    // One typed character (its UTF-8 bytes) at now_ms: what to search for.
    TypeAheadSearch add(std::string_view typed, double now_ms);
    // The next character starts a new prefix (after a click, or a move by other keys).
    void reset() { prefix_.clear(); }
    const std::string& prefix() const { return prefix_; }

private:
    std::string prefix_;
    std::string first_;      // the prefix's first character
    bool repeated_ = false;  // every character of the prefix is first_
    double last_ms_ = 0;
};

}  // namespace tessel

// A fixed-length text field padded with blanks, like the library's file names
// (32 characters) and gas name (20 characters).
#pragma once

#include <string>
#include <string_view>

namespace qelta {

template <int N>
class FixedText {
public:
    static constexpr int length = N;

    constexpr FixedText() = default;

    // Copies at most N characters and pads with blanks.
    void assign(std::string_view s) {
        int i = 0;
        for (; i < N && i < static_cast<int>(s.size()); ++i) c_[i] = s[i];
        for (; i < N; ++i) c_[i] = ' ';
    }
    FixedText& operator=(std::string_view s) {
        assign(s);
        return *this;
    }

    // The whole field, trailing blanks included.
    std::string_view padded() const { return {c_, N}; }
    // The field without its trailing blanks.
    std::string_view trimmed() const {
        int n = N;
        while (n > 0 && (c_[n - 1] == ' ' || c_[n - 1] == '\0')) --n;
        return {c_, static_cast<std::size_t>(n)};
    }
    std::string str() const { return std::string(trimmed()); }
    char* data() { return c_; }
    const char* data() const { return c_; }

    char c_[N] = {};
};

}  // namespace qelta

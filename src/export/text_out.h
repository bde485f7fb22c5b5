#pragma once
// Text formats written quickly: numbers go straight into a buffer that is handed to a
// sink in large pieces. Fixed-point numbers are formatted as integers, which is several
// times faster than general floating-point formatting and all the text formats need.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "math/vector.h"

namespace exporter {

class TextOut {
  public:
    // Receives the text in order; false stops the writing.
    using Sink = std::function<bool(const char* data, size_t size)>;

    explicit TextOut(Sink sink) : sink_(std::move(sink)), buffer_(kCapacity + kSlack) {}

    void Text(std::string_view s) {
        if (s.size() > kSlack) {
            Flush();
            if (ok_) ok_ = sink_(s.data(), s.size());
            return;
        }
        Room();
        std::memcpy(buffer_.data() + used_, s.data(), s.size());
        used_ += s.size();
    }
    void Char(char c) {
        Room();
        buffer_[used_++] = c;
    }
    void Unsigned(uint64_t v) {
        Room();
        used_ = static_cast<size_t>(
            std::to_chars(buffer_.data() + used_, buffer_.data() + used_ + 24, v).ptr -
            buffer_.data());
    }
    // `v` rounded to `decimals` places, without trailing zeros ("-1.25", "3", never "-0").
    void Fixed(double v, int decimals) {
        Room();
        char* p = buffer_.data() + used_;
        static constexpr double kScale[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
        const double scaled = std::nearbyint(v * kScale[decimals]);
        if (!(std::fabs(scaled) < 9e18)) {  // out of range or not a number: never in a mesh
            *p++ = '0';
            used_ = static_cast<size_t>(p - buffer_.data());
            return;
        }
        auto n = static_cast<int64_t>(scaled);
        if (n == 0) {
            *p++ = '0';
            used_ = static_cast<size_t>(p - buffer_.data());
            return;
        }
        if (n < 0) {
            *p++ = '-';
            n = -n;
        }
        char digits[24];
        char* end = std::to_chars(digits, digits + sizeof digits, static_cast<uint64_t>(n)).ptr;
        int count = static_cast<int>(end - digits);
        int kept = decimals;  // decimals left after dropping trailing zeros
        while (kept > 0 && end[-1] == '0') --end, --count, --kept;
        const int whole = count - kept;
        if (whole <= 0) {
            *p++ = '0';
        } else {
            std::memcpy(p, digits, static_cast<size_t>(whole));
            p += whole;
        }
        if (kept > 0) {
            *p++ = '.';
            for (int z = whole; z < 0; ++z) *p++ = '0';
            const int from = std::max(whole, 0);
            std::memcpy(p, digits + from, static_cast<size_t>(count - from));
            p += count - from;
        }
        used_ = static_cast<size_t>(p - buffer_.data());
    }
    // The three coordinates of `v` rounded to `decimals` places, each after its piece of
    // `around`, the last piece at the end: {"v ", " ", " ", "\n"} gives "v 1 2.5 -3\n".
    void Point(const math::Vec3& v, int decimals, const std::array<std::string_view, 4>& around) {
        Text(around[0]);
        Fixed(v.x, decimals);
        Text(around[1]);
        Fixed(v.y, decimals);
        Text(around[2]);
        Fixed(v.z, decimals);
        Text(around[3]);
    }
    // The shortest text that reads back as exactly `v` (never "-0").
    void Float(float v) {
        Room();
        if (v == 0.0f) v = 0.0f;
        used_ = static_cast<size_t>(
            std::to_chars(buffer_.data() + used_, buffer_.data() + used_ + 32, v).ptr -
            buffer_.data());
    }

    // Hands over what is buffered; false once the sink has refused anything.
    bool Flush() {
        if (ok_ && used_ > 0) ok_ = sink_(buffer_.data(), used_);
        used_ = 0;
        return ok_;
    }
    bool Ok() const { return ok_; }
    // Characters buffered and not yet handed over.
    size_t Pending() const { return used_; }

  private:
    static constexpr size_t kCapacity = size_t{1} << 18;
    static constexpr size_t kSlack = 64;  // the longest single piece put at once

    void Room() {
        if (used_ > kCapacity) Flush();
    }

    Sink sink_;
    std::vector<char> buffer_;
    size_t used_ = 0;
    bool ok_ = true;
};

}  // namespace exporter

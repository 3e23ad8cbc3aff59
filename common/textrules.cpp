#include "common/textrules.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "common/decimal.h"

namespace ca {

std::string PadRight(std::string_view text, int width) {
    std::string s(text);
    if (static_cast<int64_t>(s.size()) < width) s.append(width - s.size(), ' ');
    return s;
}

std::string NumLabel(int n) {
    std::string s = std::to_string(n);
    if (s.size() < 2) s.insert(s.begin(), ' ');
    return s;
}

std::string IntField(int64_t n, int width) {
    std::string s = std::to_string(n);
    if (static_cast<int64_t>(s.size()) < width) s.insert(0, width - s.size(), ' ');
    return s;
}

namespace {

constexpr auto kPow10 = [] {
    std::array<uint64_t, 19> p{};
    p[0] = 1;
    for (size_t k = 1; k < p.size(); ++k) p[k] = p[k - 1] * 10;
    return p;
}();

// A value cut to its first `count` significant digits:
// |v| = kept x 10^(exponent - count), kept of `count` digits (0, and a count
// of 0, for a value that rounds to zero).
struct Cut {
    bool negative;
    int exponent;
    int count;
    uint64_t kept;
};

// The 18 digits cut after the first `count` of them, rounding up in
// magnitude when the first dropped digit is 5 or more. A count of 0 or less
// works on the position before the first digit; one above 18 keeps all 18.
Cut CutDigits(const Decimal18& d, int count) {
    Cut c{d.negative, d.exponent, std::min(count, 18), 0};
    if (c.count < 0 || d.digits == 0) {
        c.count = 0;
        return c;
    }
    const uint64_t unit = kPow10[18 - c.count];
    c.kept = d.digits / unit + (2 * (d.digits % unit) >= unit ? 1 : 0);
    if (c.kept == kPow10[c.count]) {  // carried into a new first digit: 9.96 to 10.0
        ++c.exponent;
        if (c.count == 0) {
            c.count = 1;
        } else {
            c.kept /= 10;
        }
    }
    return c;
}

// The same cut without its trailing zeros (one digit is left).
void DropTrailingZeros(Cut& c) {
    while (c.count > 1 && c.kept % 10 == 0) {
        c.kept /= 10;
        --c.count;
    }
}

void AppendSpecial(std::string& out, const Decimal18& d) {
    if (d.negative) out.push_back('-');
    out += d.kind == Decimal18::Kind::kNaN ? "NAN" : "INF";
}

// Fixed notation with `decimals` digits after the separator (zeros past the
// kept digits) and one digit at least before it, right-aligned to `width`.
void AppendFixed(std::string& out, const Cut& c, int decimals, char separator, int width) {
    // The digits of the field are those of |v| x 10^decimals = kept x 10^zeros,
    // with zeros in front up to one before the separator.
    const int zeros = c.kept == 0 ? 0 : c.exponent + decimals - c.count;
    const int digits = std::max(c.count + zeros, decimals + 1);
    const int length = (c.negative ? 1 : 0) + digits + (decimals > 0 ? 1 : 0);
    out.append(std::max(length, width), ' ');
    char* p = out.data() + out.size();  // written from the last digit back
    uint64_t kept = c.kept;
    for (int i = 0; i < digits; ++i) {
        if (i == decimals && i > 0) *--p = separator;
        if (i < zeros) {
            *--p = '0';
        } else {
            *--p = static_cast<char>('0' + kept % 10);
            kept /= 10;
        }
    }
    if (c.negative) *--p = '-';
}

// Scientific notation: the first digit, the separator and the others when
// there are others, "E" and the power of ten.
void AppendScientific(std::string& out, Cut c, char separator) {
    DropTrailingZeros(c);
    char kept[20];
    const char* end = std::to_chars(kept, kept + sizeof kept, c.kept).ptr;
    if (c.negative) out.push_back('-');
    out.push_back(kept[0]);
    if (end - kept > 1) {
        out.push_back(separator);
        out.append(kept + 1, static_cast<size_t>(end - kept - 1));
    }
    out.push_back('E');
    out += std::to_string(c.exponent - 1);
}

}  // namespace

void AppendFixedField(std::string& out, long double v, int width, int decimals) {
    const Decimal18 d = ToDecimal18(v);
    if (d.kind != Decimal18::Kind::kFinite) {
        std::string special;
        AppendSpecial(special, d);
        if (static_cast<int>(special.size()) < width) out.append(width - special.size(), ' ');
        out += special;
        return;
    }
    AppendFixed(out, CutDigits(d, d.exponent + decimals), decimals, '.', width);
}

void AppendDistText(std::string& out, long double v, char separator, int width) {
    const size_t start = out.size();
    const Decimal18 d = ToDecimal18(v);
    if (d.kind != Decimal18::Kind::kFinite) {
        AppendSpecial(out, d);
    } else if (d.digits == 0) {
        out.push_back('0');
    } else {
        Cut c = CutDigits(d, 7);
        if (c.exponent > 7 || c.exponent < -3) {
            AppendScientific(out, c, separator);
        } else {
            DropTrailingZeros(c);
            AppendFixed(out, c, std::max(c.count - c.exponent, 0), separator, 0);
        }
    }
    if (out.size() - start < static_cast<size_t>(width)) out.append(start + width - out.size(), ' ');
}

std::string ScaleLabel(long double v, char separator) {
    const Decimal18 d = ToDecimal18(v);
    std::string s;
    if (d.kind != Decimal18::Kind::kFinite) {
        AppendSpecial(s, d);
        return s;
    }
    const Cut c = CutDigits(d, std::min(d.exponent + 2, 9));
    if (c.kept != 0 && c.exponent > 9) {
        AppendScientific(s, c, separator);
    } else {
        AppendFixed(s, c, 2, separator, 0);
    }
    return s;
}

}  // namespace ca

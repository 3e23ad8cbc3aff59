#include "common/fpcheck.h"

#include <cfenv>

#include "common/error.h"

namespace ca {

namespace {
constexpr int kFaults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
}

void ClearFpFaults() { std::feclearexcept(FE_ALL_EXCEPT); }

int PendingFpFaults() { return std::fetestexcept(kFaults); }

void RaiseFpFaults(int faults) {
    if (faults & FE_INVALID) throw MathError(J("浮動小数点演算が不正です (無効な演算)"));
    if (faults & FE_DIVBYZERO) throw MathError(J("浮動小数点演算で 0 による除算が発生しました"));
    if (faults & FE_OVERFLOW) throw MathError(J("浮動小数点演算でオーバーフローが発生しました"));
}

void CheckFpFaults() {
    int f = PendingFpFaults();
    if (f) {
        ClearFpFaults();
        RaiseFpFaults(f);
    }
}

}  // namespace ca

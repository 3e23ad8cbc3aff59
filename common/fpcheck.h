// Floating-point fault checks. Extended arithmetic runs with the hardware's
// sticky flags; an invalid operation, a division by zero or an overflow since
// the last clear raises ca::MathError, while underflow and inexact pass.
#pragma once

namespace ca {

// Clears the sticky flags of the calling thread.
void ClearFpFaults();

// Raises MathError when an invalid operation, a division by zero or an
// overflow happened on the calling thread since the last clear.
void CheckFpFaults();

// The faults (FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW) raised so far on this
// thread; a worker thread reports these to the thread that will raise.
int PendingFpFaults();
void RaiseFpFaults(int faults);

}  // namespace ca

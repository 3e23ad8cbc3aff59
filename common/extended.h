// The one number type of the system. Every attribute value, distance,
// centroid coordinate and height is a long double, and the system relies on
// it being the x87 80-bit extended type: the trees, heights and texts are
// defined by its rounding, bit for bit, and the merge heights' 21 digits and
// the number input's one-rounding route are exact only at its precision.
#pragma once

#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64 && std::numeric_limits<long double>::max_exponent == 16384,
              "long double must be the 80-bit extended type (64-bit significand): every distance, centroid and "
              "height is defined by its rounding, and the trees and output files would change bit for bit with "
              "any other precision");

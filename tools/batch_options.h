// The batch command's arguments. File names are bytes and stay bytes: a
// Shift_JIS name is used as given. "-" is standard input for INPUT and
// standard output for a file written.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace ca::batch {

struct BatchOptions {
    bool help = false;
    bool version = false;
    std::string method;  // "centroid" or "ward"
    std::string input;
    bool csv = false;  // INPUT read as CSV, else as the program's data file
    // The files written; empty where not asked for (out is required).
    std::string out, merges, linkage, pdf, newick;
    std::string fontSize = "12";  // an integer of 1 or more, as typed
    std::string cut;              // a positive integer as typed, empty for none; checked against the table
};

// Wrong arguments (exit status 2); what() is the message, UTF-8 or the bytes
// given.
struct ArgumentError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Raises ArgumentError for an unknown option, a missing
// or empty value, a repeated option, a bad value (method, input format, font
// size, cut), no input or more than one, a missing --out, more than one
// output to standard output or one beside --cut, and two arguments that name
// the same file.
BatchOptions ParseOptions(int argc, char** argv);

// The text of --help.
extern const std::string_view kUsage;

}  // namespace ca::batch

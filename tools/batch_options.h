// The batch command's arguments. File names are bytes and stay bytes: a
// Shift_JIS name is used as given.
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
    // The files written; empty where not asked for (out is required).
    std::string out, merges, pdf, newick;
    std::string fontSize = "12";  // as typed; read by the dendrogram
    std::string cut;              // as typed, empty for none; checked against the table
};

// Wrong arguments (exit status 2); what() is the message, UTF-8 or the bytes
// given.
struct ArgumentError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Raises ArgumentError for an unknown option, a missing or empty value, a
// repeated option, a method other than centroid and ward, no input or more
// than one, a missing --out, and two arguments that name the same file.
BatchOptions ParseOptions(int argc, char** argv);

// The text of --help.
extern const std::string_view kUsage;

}  // namespace ca::batch

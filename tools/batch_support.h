// Pieces of cluster-batch that tests call directly: terminal-safe messages
// and the check that no two file arguments name the same file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ca::batch {

// Shift_JIS text as UTF-8 for a terminal: bytes below 0x20, 0x7F and bytes
// that are not Shift_JIS characters written as \xNN.
std::string EscapeSjis(std::string_view sjis);

// A file name or argument (UTF-8) for a terminal: control characters
// (C0, DEL, C1) and bytes that are not UTF-8 written as \xNN.
std::string EscapeName(std::string_view bytes);

// A file named on the command line: the option that names it ("INPUT" for
// the input) and the path as given.
struct FileArgument {
    std::string option;
    std::string path;
};

// The first two arguments that name the same file: the same device and inode
// when both exist, else the same path once made absolute and normalised
// (symbolic links in the part that exists resolved).
std::optional<std::pair<size_t, size_t>> FindSameFile(const std::vector<FileArgument>& files);

}  // namespace ca::batch

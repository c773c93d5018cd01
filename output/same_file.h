#pragma once
// Whether an output would land on an input: the names are compared as the
// file system sees them (a link, another spelling, a case-insensitive
// volume), by device and inode for files that exist.
#include <string>
#include <vector>

namespace voltrigg {

// True when both name one existing file. A name that is empty, or a file
// that does not exist yet, is no other file.
bool SameExistingFile(const std::string& a, const std::string& b);

// True when `target` is one of the existing files `inputs`.
bool IsOneOfTheFiles(const std::string& target, const std::vector<std::string>& inputs);

}  // namespace voltrigg

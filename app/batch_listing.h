// The one place where the batch asks the system for a folder's content.
#pragma once

#include <string>
#include <vector>

namespace dropshrink {

// Names of the entries directly inside `folder` (which ends in a separator)
// that are not folders themselves, hidden and read-only files included, in
// the order the system delivers them. Nothing for a path that is no folder.
std::vector<std::string> ListFolderFiles(const std::string& folder);

}  // namespace dropshrink

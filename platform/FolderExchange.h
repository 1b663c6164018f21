#pragma once

#include <QString>

namespace halvora::platform {

// Swaps two folders of one file system in a single step, so that no reader ever sees
// neither of them under either name. Where the file system cannot swap in one step,
// the first is moved aside, the second takes its name and the first takes the
// second's; a failure on the way puts the first back. A missing first folder is no
// error: the second then simply takes its name. Returns false, with both folders as
// they were, when the swap could not be made.
bool exchangeFolders(const QString &first, const QString &second);

} // namespace halvora::platform

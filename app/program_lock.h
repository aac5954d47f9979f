#pragma once

#include "base/folder_lock.h"

#include <QString>
#include <memory>
#include <string>

namespace qvr {

// What a second program started in `folder` is told.
QString SecondProgramMessage(const std::string& folder);

// Takes the lock of the program's folder for a start that uses the port and
// the files beside the program. When another program holds it, says so (in a
// message box, and on the error output, which is all an unattended run shows)
// and returns nullptr: this start ends. A lock that cannot be made at all (a
// folder the program may not write to, a lock path that is a folder) does not
// stop the start; FolderLockNotice tells the operator.
std::unique_ptr<FolderLock> LockProgramFolder(const std::string& folder, bool unattended);

// What the operator is told, once, when the lock could not be made: without
// it nothing keeps a second program out of this folder. Empty when it holds.
QString FolderLockNotice(const FolderLock& lock);

} // namespace qvr

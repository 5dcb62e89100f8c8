// The name of the lock that keeps a folder to one run at a time on Windows:
// a named mutex, whose existence is the lock. Only the Windows build has
// this file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::windows {

// Which folder a lock is for, as the system tells it of the open folder.
struct FolderIdentity {
  // The volume's serial number and the folder's file id on it (FILE_ID_INFO),
  // the same however the folder's path is spelt (case, short names, links).
  std::uint64_t volume = 0;
  std::array<unsigned char, 16> file{};
  // The folder's full path, as the system spells it: what names the lock
  // where the file system gives no file id (all zero), as some network
  // shares and older systems do.
  std::wstring path;
};

// "Global\Morvane-folder-<volume>-<file id>", or from the path, whose case
// does not count, "Global\Morvane-folder-path-<hash>": in the namespace of
// every session, so that copies started by other users or in other desktop
// sessions meet it too, and short enough for any path (a mutex's name has at
// most MAX_PATH characters and no "\" after "Global\").
std::wstring FolderLockName(const FolderIdentity& folder);

}  // namespace morvane::windows

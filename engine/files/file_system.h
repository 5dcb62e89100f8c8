// FileSystem: the few system calls an output file is made of.
//
// The output file calls the system only through this interface, so that tests
// can make any one of its calls fail with a chosen reason. Every call reports
// failure as the system's own error number (errno on POSIX, GetLastError on
// Windows; 0 for success), which ErrorText turns into the system's own words,
// and never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace morvane {

// An open file as the system names it: a descriptor on POSIX, a HANDLE's
// value on Windows.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Whether anything has this name (Module1::FileExists on the real system).
  virtual bool Exists(const std::string& path) noexcept = 0;

  // Removes a file or link; a folder of that name must fail (EISDIR), never
  // be removed.
  virtual int Unlink(const std::string& path) noexcept = 0;

  // Creates the file, empty, and opens it write-only for appending; sets file
  // on success. Only a new file: when anything has the name already (a file,
  // a folder, a link even if it points nowhere) it fails with the layer's
  // number for an existing file (EEXIST; ERROR_FILE_EXISTS from CreateFileW
  // with CREATE_NEW), and nothing is opened or changed.
  virtual int CreateNew(const std::string& path, FileHandle& file) noexcept = 0;

  // Writes up to size bytes and sets written to how many the system took; a
  // short write with result 0 is allowed. An interrupted call is retried here.
  virtual int Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept = 0;

  // Cuts the file back to its first length bytes.
  virtual int Truncate(FileHandle file, std::uint64_t length) noexcept = 0;

  // Releases file, also when it reports a failure (as POSIX close does).
  virtual int Close(FileHandle file) noexcept = 0;

  // Making a run's files durable, so that a power cut after the run said they
  // are saved loses none of them. A full file is given to StartWriteBack
  // before it is closed; the run's last file to FlushFile; then the folder to
  // FlushClosedFiles and FlushFolder. None of them is ever called on the ways
  // out that must end at once (closing the window, a signal).
  //
  // Starts writing the file's data to its disk. POSIX (Linux):
  // sync_file_range(SYNC_FILE_RANGE_WRITE), which waits for none of it, so
  // that the disk works on a full file while the run writes the next;
  // FlushClosedFiles waits for the rest. Windows can start no write without
  // waiting for it, nor can an ordinary user flush a whole volume there: a
  // thread of the program's own flushes the file (WriteBack), and a failure
  // there shows at FlushClosedFiles.
  virtual int StartWriteBack(FileHandle file) noexcept = 0;
  // Waits until the open file's data, and what is needed to read it back
  // (its length), is on its disk: fdatasync; Windows: FlushFileBuffers.
  virtual int FlushFile(FileHandle file) noexcept = 0;
  // Waits until the data of every file closed after StartWriteBack in folder
  // is on its disk. Linux: syncfs of the folder's file system; Windows:
  // waits for the flushes WriteBack has still to do.
  virtual int FlushClosedFiles(const std::string& folder) noexcept = 0;
  // Waits until the folder's entries (the run's files created, old ones
  // deleted) are on its disk: fsync of the folder. Windows: nothing left to
  // do, as NTFS logs every entry it makes and a file's flush writes its log
  // up to that file's latest change, past the entry's.
  virtual int FlushFolder(const std::string& folder) noexcept = 0;

  // Sets named to whether the open file still has a name: false once its
  // last name was deleted after it was opened, as another program may do
  // behind the run's back. POSIX: fstat's link count is 0; Windows, where
  // nobody may delete the file while the run holds it: FILE_STANDARD_INFO's
  // NumberOfLinks is 0 or DeletePending is set.
  virtual int HasName(FileHandle file, bool& named) noexcept = 0;

  // Takes the lock that lets one run at a time write into folder, and sets
  // lock to it; it is held until UnlockFolder(lock). Fails, leaving lock
  // alone, when folder is not an existing folder (the empty name included),
  // with the layer's number for that (ENOENT, ENOTDIR; ERROR_PATH_NOT_FOUND,
  // ERROR_DIRECTORY), and when another holder has the lock, in another
  // process or through an earlier LockFolder in this one not yet unlocked:
  // then heldElsewhere is set and the number means nothing to the user. Where
  // the file system cannot lock at all, it succeeds with a lock that holds
  // nothing. POSIX: flock on the folder opened read-only; Windows: the
  // folder held open for adding files, shared with none who would.
  virtual int LockFolder(const std::string& folder, FileHandle& lock, bool& heldElsewhere) noexcept = 0;
  // Releases a lock that LockFolder took.
  virtual void UnlockFolder(FileHandle lock) noexcept = 0;

  // The file system that holds path, in bytes: what an ordinary user may
  // still write there, its whole size (0 when it does not tell), and the
  // unit in which files take up space, a block or cluster (0 when unknown:
  // then every byte counts alone). On Windows: GetDiskFreeSpaceExW's free
  // bytes available to the caller and total bytes, GetDiskFreeSpaceW's
  // sectors per cluster times bytes per sector.
  //
  // Where files are counted apart from bytes (the inodes of ext4), how many
  // more an ordinary user may create and how many there are in all; both 0
  // where the file system does not tell (btrfs, NTFS), as it makes room for
  // files as they come.
  //
  // lagsBehindWrites: the free bytes leave out what was handed to the system
  // but not yet written to its disk, so that they may claim gigabytes that
  // are spoken for. btrfs finds room for data only as it writes it out, and
  // statvfs there tells what is free before that; ext4, xfs and tmpfs count
  // a write's room when they take it, as Windows does. Where the file system
  // is not known to, it is taken to lag.
  //
  // spokenFor: of the free bytes, what the file system will take at once for
  // its own records before long, which no file can have: on btrfs the next
  // chunk of its metadata (see native_file_system_posix.cpp); 0 elsewhere.
  struct Space {
    std::uint64_t available = 0;
    std::uint64_t size = 0;
    std::uint64_t block = 0;
    std::uint64_t filesAvailable = 0;
    std::uint64_t files = 0;
    bool lagsBehindWrites = false;
    std::uint64_t spokenFor = 0;
  };
  virtual int SpaceOf(const std::string& path, Space& space) noexcept = 0;

  // The system's description of one of its error numbers, e.g. "No space
  // left on device". By default errno's, as test layers report them.
  virtual std::string ErrorText(int error) const { return std::strerror(error); }
};

}  // namespace morvane

#include "engine/files/free_space_reserve.h"

#include <algorithm>

#include "engine/files/size_text.h"

namespace morvane {

FreeSpaceReserve::Answer FreeSpaceReserve::Grants(std::uint64_t bytes, Unseen unseen, bool newFile,
                                                  std::uint64_t& granted) noexcept {
  FileSystem::Space space;
  if (files_.SpaceOf(folder_, space) != 0 || space.size == 0) {
    // A file system that does not tell its space: only the system's own
    // errors can stop the run there. Asked again later all the same.
    granted = bytes + kMostBytesBetweenChecks;
    return Answer::kGranted;
  }
  const std::uint64_t unflushed =
      space.lagsBehindWrites ? unseen.unflushed + unseen.unflushedFiles * space.block : 0;
  available_ = UsableOn(space) - std::min(UsableOn(space), unflushed);
  kept_ = KeptOn(space);
  block_ = space.block;
  filesAvailable_ = space.filesAvailable;
  filesKept_ = FilesKeptOn(space);
  // Files are counted as they are made, flushed or not.
  refusedFile_ = newFile && FileHeadroomOn(space) == 0;
  if (refusedFile_) return Answer::kRefused;
  const std::uint64_t room = headroom();
  if (available_ >= kept_ && room >= unseen.buffered && room - unseen.buffered >= bytes) {
    granted = bytes + std::min((room - unseen.buffered - bytes) / 2, kMostBytesBetweenChecks);
    return Answer::kGranted;
  }
  // What the system has not counted yet may be all that seems to fill the
  // reserve.
  return unflushed > 0 ? Answer::kFlushFirst : Answer::kRefused;
}

std::string FreeSpaceReserve::RefusalText(std::uint64_t written) const {
  // Asked afresh: the disk takes a file's last block whole, so only the
  // system knows what the written bytes took. Should it not tell, the
  // count since the last check, less a whole block, never claims too much.
  FileSystem::Space space;
  const bool told = files_.SpaceOf(folder_, space) == 0 && space.size != 0;
  if (refusedFile_) {
    return "Stopped before the disk is full: room for only " +
           CountText(told && space.files != 0 ? space.filesAvailable : filesAvailable_) + " more files left in " +
           folder_ + " (the program keeps room for " + CountText(filesKept_) + " files).";
  }
  // Where the system counts the written bytes late, they are taken off.
  const std::uint64_t left = !told                   ? available_ - std::min(available_, written + block_)
                             : space.lagsBehindWrites ? space.available - std::min(space.available, written)
                                                      : space.available;
  std::string text = "Stopped before the disk is full: only " + SizeText(left) + " left in " + folder_;
  if (told && space.spokenFor > 0) {
    text += ", " + SizeText(std::min(left, space.spokenFor)) + " of which the file system will take for its own records";
  }
  return text + " (the program keeps " + SizeText(kept_) + " free).";
}

}  // namespace morvane

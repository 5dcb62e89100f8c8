#include "engine/run_plan.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/files/free_space_reserve.h"
#include "engine/files/size_text.h"
#include "number/number_text.h"

namespace morvane {

namespace {

__extension__ using Uint128 = unsigned __int128;

std::string FilesText(std::uint64_t files) { return CountText(files) + (files == 1 ? " file" : " files"); }

// n rounded to as many places as the records before it tell anything: to
// three significant digits of their count, so that a run from 1 stops at
// "about 1,230,000,000" and one from 10^12 at "about 1,000,000,568,000".
std::string AboutNumber(const Decimal& n, std::uint64_t records) {
  const int places = static_cast<int>(std::to_string(records).size()) - 3;
  const double unit = places > 0 ? std::pow(10.0, places) : 1.0;
  const double value = ApproximateValue(n);
  return GroupedDigits(std::to_string(std::llround(value / unit) * static_cast<long long>(unit)));
}

}  // namespace

RunPlan::RunPlan(RunInputs inputs, FileSystem& files, const std::string& folder)
    : inputs_(std::move(inputs)), forecast_(RunForecast::Of(inputs_)), records_(forecast_.records()) {
  FileSystem::Space space;
  if (files.SpaceOf(folder, space) != 0 || space.size == 0) return;
  space_ = space;
  const std::uint64_t headroom = FreeSpaceReserve::HeadroomOn(space);
  const std::uint64_t fileHeadroom = FreeSpaceReserve::FileHeadroomOn(space);
  const auto filesFit = [&](std::uint64_t records) { return forecast_.FilesFor(records) <= fileHeadroom; };
  const auto fits = [&](std::uint64_t records) { return DiskUseOf(records) <= headroom && filesFit(records); };
  if (fits(records_)) return;
  // The most records whose files fit: the reserve refuses the next.
  std::uint64_t fit = 0;
  std::uint64_t tooMany = records_;
  while (tooMany - fit > 1) {
    const std::uint64_t middle = fit + (tooMany - fit) / 2;
    (fits(middle) ? fit : tooMany) = middle;
  }
  records_ = fit;
  // The reserve asks for a file before it asks for its bytes; with no room
  // for even the first file, the run stops before it.
  filesRunShort_ = !filesFit(0) || !filesFit(fit + 1);
}

std::uint64_t RunPlan::DiskUseOf(std::uint64_t records) const noexcept {
  const std::uint64_t bytes = forecast_.BytesOf(records);
  const std::uint64_t block = space_ ? space_->block : 0;
  const std::uint64_t files = forecast_.FilesFor(records);
  if (block == 0 || files == 0) return bytes;
  const std::uint64_t fileBytes = (bytes + files - 1) / files;
  const Uint128 use = static_cast<Uint128>(files) * ((fileBytes + block - 1) / block * block);
  return use > ~std::uint64_t{0} ? ~std::uint64_t{0} : static_cast<std::uint64_t>(use);
}

std::string RunPlan::Text() const {
  const RunForecast& run = forecast_;
  if (run.files() == 0) return "This run writes nothing: its numbers lie beyond the program's bounds.";
  if (run.records() == 0) {
    return "This run writes no records, only " + CountText(run.files()) + (run.files() == 1 ? " empty file: " : " empty files: ") +
           (run.endsAtBound() ? "its numbers lie beyond the program's bounds." : "From is above To.");
  }
  const std::string about = run.exact() ? "" : "about ";
  std::string text = std::string("This run ") + (stopsAtReserve() ? "would write " : "writes ") + about +
                     SizeText(run.bytes()) + " in " + about + FilesText(run.files());
  if (run.endsAtBound()) {
    text += ", up to " + about + GroupedDigits(PlainNumber(run.NumberAt(run.records() - 1))) +
            ", where it meets the program's bounds";
  }
  if (!space_) return text + "; the disk does not tell how much it has free.";
  text += "; the disk has " + SizeText(space_->available) + " free";
  if (filesRunShort_) text += " but room for only " + CountText(space_->filesAvailable) + " more files";
  if (stopsAtReserve()) {
    text += records_ == 0 ? ", so it will stop before its first record"
                          : ", so it will stop at about " + AboutNumber(run.NumberAt(records_ - 1), records_);
    text += filesRunShort_ ? " to keep room for " + CountText(FreeSpaceReserve::FilesKeptOn(*space_)) + " files"
                           : " to keep " + SizeText(FreeSpaceReserve::KeptOn(*space_)) + " free";
  }
  return text + ".";
}

}  // namespace morvane

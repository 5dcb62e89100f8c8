// Form1's controls as data: where each one sits, in twips from the client
// area's top-left corner, and what it holds when the window opens (the
// button's captions and From's and To's first texts are the run's, in
// engine/run_view.h). Both windows, Qt's and Win32's, place and fill their
// controls from this table alone, scaled to the screen they are on, so that
// they cannot drift apart.
#pragma once

#include <array>
#include <cmath>
#include <string_view>

namespace morvane::form1 {

struct Twips {
  int left;
  int top;
  int width;
  int height;
};

// 1440 twips to the inch: 15 to a pixel on a screen of 96 dots per inch.
inline int Pixels(int twips, double dotsPerInch = 96.0) {
  return static_cast<int>(std::lround(twips * dotsPerInch / 1440.0));
}

inline constexpr std::string_view kTitle = "Morvane";

// The window's client area. The row of the progress and the run's plan
// below the status field is added to the classic window, which ended at
// 1110; everything above keeps its place.
inline constexpr int kClientWidth = 6615;
inline constexpr int kClientHeight = 2175;

inline constexpr Twips kCommand1{5280, 353, 1215, 350};
inline constexpr Twips kTxFrom{165, 348, 1605, 360};
inline constexpr Twips kTxTo{1890, 348, 1785, 360};
inline constexpr Twips kCombo1{3780, 371, 1395, 315};
inline constexpr Twips kFrame2{75, 15, 6450, 330};
// From Frame2's corner.
inline constexpr Twips kLabel1{45, 75, 6300, 255};
inline constexpr Twips kTxCt{165, 750, 6315, 330};
// The share of the run done, and beside it the rate and the time left.
inline constexpr Twips kProgressBar1{165, 1155, 1605, 255};
inline constexpr Twips kLabel2{1890, 1155, 4590, 255};
// What the run about to start writes, what the disk has free, and where the
// run will stop: up to three lines.
inline constexpr Twips kLabel3{165, 1470, 6315, 645};

inline constexpr std::array<std::string_view, 5> kLinesPerFileChoices = {"# lines per file", "10000", "100000",
                                                                         "1000000", "10000000"};
inline constexpr std::string_view kCombo1ToolTip = "Select or enter file size in lines (default is 100,000)";
// True on any disk: the run is as fast as the disk takes the bytes, and it
// ends at To or where FreeSpaceReserve keeps the rest of the disk free. In
// words that fit Label1 in the widest stand-in for its face.
inline constexpr std::string_view kWarningText = "WARNING: Writes at full disk speed until To or a nearly full disk";

// What a screen reader says for each field; the button is named by its
// caption, the labels (the warning, the progress line, the plan) by their
// texts.
inline constexpr std::string_view kFromName = "From";
inline constexpr std::string_view kToName = "To";
inline constexpr std::string_view kLinesPerFileName = "Lines per file";
inline constexpr std::string_view kStatusName = "Status";
inline constexpr std::string_view kProgressName = "Progress";

// Red (RGB 255, 0, 0), bold, 8.25 pt.
inline constexpr double kWarningPoints = 8.25;
inline constexpr double kWindowPoints = 8.25;
// From and To: 9.75 pt in the classic bitmap face, whose digits are
// narrower; 9 pt of a stand-in shows the 16-digit To whole.
inline constexpr double kFieldPoints = 9.0;
inline constexpr double kStatusPoints = 8.25;

}  // namespace morvane::form1

// What the files of the main window share: the sizes of the exchange
// blocks, the slots of the optics integer block, the image indices of the
// tool buttons and menu items, and the reading of a parameter row.
#pragma once

#include <QColor>

#include <cstddef>

#include "controls/ValueListEditor.h"
#include "platform/StrictConvert.h"
#include "qelta_limits.h"

namespace vorlantic {

// Sizes of the exchange blocks.
inline constexpr int kParBlock = qelta::limits::parameter_block;
// The library's picture capacity in colour: 3 values for each node.
inline constexpr std::size_t kPictureValues = 3 * static_cast<std::size_t>(qelta::limits::max_picture_nodes);
// The resolution slider's range: the levels the window offers.
inline constexpr int kMaxResolution = 6;

// Slots of the optics integer block iopara (counted from 0 here).
inline constexpr int kImagePlace = 0;     // 1 left window, 2 right window, 3 recording plane; +100 without flow
inline constexpr int kWindowSet = 3;      // set by the library once the picture window is fixed
inline constexpr int kColour = 4;         // 1 colour, 0 grey
inline constexpr int kRayOrder = 5;       // 1 first-order ray tracing
inline constexpr int kRecordingUnit = 9;  // 1 schlieren
inline constexpr int kWithoutFlow = 100;

// Image indices of the tool buttons and menu items.
inline constexpr int kImagePause = 27;
inline constexpr int kImageResume = 28;
inline constexpr int kImagePhoto = 34;
inline constexpr int kImagePlot = 35;

// The framework's colour word 255: red.
inline const QColor kGaugeRed(255, 0, 0);

// Reads a number of a parameter row; a text that is not one raises the
// conversion error.
inline double RowValue(const TValueListEditor* list, int row) { return platform::StrToFloat(list->Value(row)); }

}  // namespace vorlantic

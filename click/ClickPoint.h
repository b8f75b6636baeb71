#pragma once

#include <cstdint>
#include <string_view>

#include "toolkit/Toolkit.h"

namespace quorvel {

// The mouse button of a recorded target; kept as the row's item value.
enum class ClickButton : std::int32_t { left = 0, right = 1 };

// One recorded click target, held only as a row of the point list:
// column 0 the button's name, columns 1 and 2 x and y as decimal text, item value the button.
struct ClickPoint {
    ClickButton button = ClickButton::left;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

inline constexpr Role kPointList = Role::pointList;

inline constexpr std::int32_t kButtonColumn = 0;
inline constexpr std::int32_t kXColumn = 1;
inline constexpr std::int32_t kYColumn = 2;

inline constexpr std::string_view kLeftClickText = "左键单击";
inline constexpr std::string_view kRightClickText = "右键单击";

}  // namespace quorvel

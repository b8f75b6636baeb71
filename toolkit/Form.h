#pragma once

// Forms are data: a window's settings and a table of its controls, which the toolkit builds
// native windows from. Every control of a kind shares that kind's look; a row gives only
// what differs between controls.

#include <cstdint>
#include <span>
#include <string_view>

#include "toolkit/Toolkit.h"

namespace quorvel {

enum class ControlKind { label, editBox, button, timer, listView, hyperLinker };

// Position relative to the window's client area, in pixels.
struct Bounds {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

enum class ColumnAlign { left, center, right };

struct ListColumn {
    std::string_view heading = {};
    std::int32_t width = 0;
    ColumnAlign align = ColumnAlign::left;
};

// The fields of a LOGFONT that a form sets.
struct FontSpec {
    std::string_view faceName = {};
    std::int32_t height = 0;
    std::int32_t weight = 400;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
};

enum class LabelLayout {
    singleLine,  // one line, left-aligned, centred vertically
    wrapped,     // broken at line breaks and wrapped to the width, from the top
};

// Colours as COLORREF values (0x00BBGGRR).
struct LinkSpec {
    std::string_view target = {};
    std::uint32_t normalColor = 0;
    std::uint32_t hoverColor = 0;
    std::uint32_t visitedColor = 0;
};

struct ControlSpec {
    ControlKind kind = ControlKind::label;
    std::string_view formName = {};
    Role role = Role::hintLabel;
    Bounds bounds = {};
    std::string_view text = {};  // a link's caption
    bool takesFocus = false;
    MousePointer pointer = MousePointer::none;
    Event event = Event::none;  // clicked, or a timer's periodic event

    std::span<const ListColumn> columns = {};  // listView
    const FontSpec* font = nullptr;       // label; the default GUI font when none
    LabelLayout layout = LabelLayout::singleLine;
    std::int32_t timerPeriodMs = 0;      // timer
    const LinkSpec* link = nullptr;      // hyperLinker
};

struct FormSpec {
    FormId id = FormId::mainWindow;
    std::string_view title = {};
    std::int32_t outerWidth = 0;  // frame and title bar included; fixed, centred on the screen
    std::int32_t outerHeight = 0;
    Event created = Event::none;
    Event destroying = Event::none;
    std::span<const ControlSpec> controls = {};  // first on top; the Tab order is the reverse
};

}  // namespace quorvel

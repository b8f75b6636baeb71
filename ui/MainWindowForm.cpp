#include "ui/Forms.h"

namespace quorvel {
namespace {

constexpr ListColumn kPointColumns[] = {
    {.heading = "按键", .width = 98, .align = ColumnAlign::left},
    {.heading = "X位", .width = 85, .align = ColumnAlign::center},
    {.heading = "Y位", .width = 85, .align = ColumnAlign::center},
};

constexpr ControlSpec kMainControls[] = {
    {.kind = ControlKind::label, .formName = "标签2", .role = Role::hintLabel,
     .bounds = {8, 320, 200, 24}, .text = "F7设置右键单击，F6键设置左键单击"},
    {.kind = ControlKind::editBox, .formName = "编辑框1", .role = Role::intervalEdit,
     .bounds = {221, 18, 51, 24}, .text = "1000", .takesFocus = true},
    {.kind = ControlKind::label, .formName = "标签1", .role = Role::intervalLabel,
     .bounds = {184, 15, 32, 32}, .text = "间隔："},
    {.kind = ControlKind::button, .formName = "按钮2", .role = Role::stopButton,
     .bounds = {100, 16, 80, 32}, .text = "结束(Ctrl+Q)", .takesFocus = true,
     .event = Event::stopClicked},
    {.kind = ControlKind::timer, .formName = "时钟1", .role = Role::clickTimer,
     .event = Event::clickTimerTick, .timerPeriodMs = 0},
    {.kind = ControlKind::listView, .formName = "超级列表框1", .role = Role::pointList,
     .bounds = {8, 56, 272, 256}, .takesFocus = true, .columns = kPointColumns},
    {.kind = ControlKind::button, .formName = "按钮3", .role = Role::helpButton,
     .bounds = {209, 316, 63, 29}, .text = "帮助", .takesFocus = true,
     .event = Event::helpClicked},
    {.kind = ControlKind::button, .formName = "按钮1", .role = Role::startButton,
     .bounds = {6, 16, 88, 32}, .text = "开始(Ctrl+S)", .takesFocus = true,
     .pointer = MousePointer::hand, .event = Event::startClicked},
};

constexpr FormSpec kMainWindow{
    .id = FormId::mainWindow,
    .title = "Quorvel-by:Tiryn v1.1",
    .outerWidth = 295,
    .outerHeight = 383,
    .created = Event::mainWindowCreated,
    .destroying = Event::mainWindowDestroying,
    .controls = kMainControls,
};

}  // namespace

const FormSpec& mainWindowForm() { return kMainWindow; }

}  // namespace quorvel

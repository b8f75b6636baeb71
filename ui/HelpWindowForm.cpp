#include "ui/Forms.h"

namespace quorvel {
namespace {

constexpr std::string_view kSiteCaption = "www.veltrane.example";

constexpr LinkSpec kSiteLink{
    .target = "http://www.veltrane.example/",
    .normalColor = 0x00FF0000,   // RGB(0, 0, 255)
    .hoverColor = 0x00C56A31,    // RGB(49, 106, 197)
    .visitedColor = 0x00000080,  // RGB(128, 0, 0)
};

constexpr FontSpec kHelpTextFont{
    .faceName = "宋体",
    .height = -14,
    .weight = 400,
    .charSet = 134,       // GB2312_CHARSET
    .outPrecision = 3,    // OUT_STROKE_PRECIS
    .clipPrecision = 2,   // CLIP_STROKE_PRECIS
    .quality = 1,         // DRAFT_QUALITY
    .pitchAndFamily = 2,  // VARIABLE_PITCH
};

constexpr std::string_view kHelpText =
    "帮助文档：\r\n"
    "1.启动程序后先要获取鼠标点，即：先把鼠标移到要点击的位置，然后按键盘F7键获取右键单击，"
    "F6键为获取左键单击，如果列表框中输入该位置，说明已经记录了。\r\n"
    "2.获取鼠标点结束后，按开始键开始运行，默认间隔为1秒。\r\n"
    "3.如360等杀毒软件要求阻止，请不要选择允许，否则不能正常使用。\r\n"
    "4.有什么建议或bug请发邮件到 support@veltrane.example";

constexpr ControlSpec kHelpControls[] = {
    {.kind = ControlKind::label, .formName = "标签2", .role = Role::siteLabel,
     .bounds = {8, 175, 160, 16}, .text = "到Veltrane，获取更多精彩内容。"},
    {.kind = ControlKind::hyperLinker, .formName = "超级链接框1", .role = Role::siteLink,
     .bounds = {152, 169, 144, 24}, .text = kSiteCaption, .pointer = MousePointer::hand,
     .link = &kSiteLink},
    {.kind = ControlKind::label, .formName = "标签1", .role = Role::helpTextLabel,
     .bounds = {0, 8, 288, 160}, .text = kHelpText, .font = &kHelpTextFont,
     .layout = LabelLayout::wrapped},
};

constexpr FormSpec kHelpWindow{
    .id = FormId::helpWindow,
    .title = "帮助",
    .outerWidth = 304,
    .outerHeight = 228,
    .controls = kHelpControls,
};

}  // namespace

const FormSpec& helpWindowForm() { return kHelpWindow; }

}  // namespace quorvel

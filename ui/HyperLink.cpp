#include "ui/HyperLink.h"

namespace quorvel {

std::uint32_t linkColor(const LinkSpec& link, bool hovered, bool visited) {
    if (hovered) return link.hoverColor;
    return visited ? link.visitedColor : link.normalColor;
}

std::string browserCommandLine(std::string_view registeredCommand, std::string_view target) {
    std::size_t cut = registeredCommand.find("\"%1\"");
    if (cut == std::string_view::npos) cut = registeredCommand.find("%1");
    std::string commandLine(registeredCommand.substr(0, cut));
    commandLine += ' ';
    commandLine += target;
    return commandLine;
}

}  // namespace quorvel

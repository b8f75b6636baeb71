#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/Form.h"

namespace quorvel {

// The link's colour: hover while the pointer is over it, else visited once an open has
// succeeded, else normal.
std::uint32_t linkColor(const LinkSpec& link, bool hovered, bool visited);

// The fallback for opening a web address: the command registered for ".htm" files, cut
// before its first "\"%1\"" (else its first %1), then a space and the address.
std::string browserCommandLine(std::string_view registeredCommand, std::string_view target);

}  // namespace quorvel

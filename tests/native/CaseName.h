#pragma once

#include <cctype>
#include <string>

namespace quorvel::testing {

// GoogleTest names for table rows: a case's description with every other character as '_'.
struct CaseName {
    template <class Info>
    std::string operator()(const Info& info) const {
        std::string name;
        for (const char c : std::string(info.param.name)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    }
};

}  // namespace quorvel::testing

#pragma once

#include "toolkit/Form.h"

namespace quorvel {

const FormSpec& mainWindowForm();
const FormSpec& helpWindowForm();

}  // namespace quorvel

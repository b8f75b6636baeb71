#pragma once

// The pointing hand shown over the link; also the RT_GROUP_CURSOR id in quorvel.rc.
#define QUORVEL_HAND_CURSOR_ID 1032

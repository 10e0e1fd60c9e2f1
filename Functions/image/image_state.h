// The plan together with its parameter image: what encoding writes and decoding reads.
#pragma once

#include "parameter_image.h"
#include "plan/plan_state.h"

namespace belvan {

struct ImageState : PlanState {
    ParameterImage image{};
};

}  // namespace belvan

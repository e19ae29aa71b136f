#include "companion/CatAction.h"

namespace meterix {

const char* name(CatAction action) {
    switch (action) {
    case CatAction::walking:
        return "walking";
    case CatAction::idle:
        return "idle";
    case CatAction::sitting:
        return "sitting";
    case CatAction::grooming:
        return "grooming";
    case CatAction::layingDown:
        return "layingDown";
    case CatAction::sleeping:
        return "sleeping";
    case CatAction::stretching:
        return "stretching";
    case CatAction::happy:
        return "happy";
    case CatAction::dangling:
        return "dangling";
    }
    return "walking";
}

} // namespace meterix

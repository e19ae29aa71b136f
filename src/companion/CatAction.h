#pragma once

namespace meterix {

// What the cat is doing.
enum class CatAction { walking, idle, sitting, grooming, layingDown, sleeping, stretching, happy, dangling };

const char* name(CatAction action);

} // namespace meterix

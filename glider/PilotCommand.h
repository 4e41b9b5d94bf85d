#pragma once

// What a person at the controls can do: shift the weight one step left,
// right, forward (bar pulled in, faster) or back, or put the glider back at
// its launch. None is a control that flies nothing; applied, it steers by
// nothing, as every control does after its own action.
enum class PilotCommand { None, Left, Right, Fore, Aft, Reset };

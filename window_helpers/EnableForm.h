#pragma once

class QWidget;

namespace lum {

// Switches a window between busy (enabled false: hourglass, controls
// disabled) and ready (enabled true: default pointer, controls enabled).
// The pointer always changes; the controls are left alone when the settings
// file holds a non-empty DISABLE in section LUM. Timers and option buttons
// are never touched. Queued events are handled before and after. Never fails:
// a step that fails is skipped.
void EnableForm(QWidget& form, bool enabled);

}  // namespace lum

// The window's icon: a small waveform in the track view's colours, drawn at
// start-up instead of shipped as a picture file.
#pragma once

#include <QIcon>

namespace ui {

QIcon makeWindowIcon();

}  // namespace ui

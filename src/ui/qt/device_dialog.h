// "Select ASIO Device...": a drop-down list of the audio drivers the host
// reports, the first one selected, with OK and Cancel.
#pragma once

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace ui {

// The chosen index on OK (-1 when the list is empty), nothing on Cancel.
std::optional<int> runDeviceDialog(QWidget* owner, const std::vector<std::string>& names);

}  // namespace ui

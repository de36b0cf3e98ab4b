#include "host/port_client.h"

#include <system_error>

#include "host/host_constants.h"
#include "platform/thread_priority.h"

namespace host {

PortClient::PortClient(const PortClientSetup& setup)
    : setup_(setup), currentOutput_(setup.outputHead), currentInput_(setup.inputHead) {}

PortClient::~PortClient() {
  stop();
}

bool PortClient::start() {
  if (setup_.event == nullptr || thread_.joinable()) return false;
  running_.store(true, std::memory_order_relaxed);
  try {
    thread_ = std::thread([this] { deliver(); });
  } catch (const std::exception&) {
    // No thread, or no memory for one.
    running_.store(false, std::memory_order_relaxed);
    return false;
  }
  return true;
}

void PortClient::stop() {
  if (!thread_.joinable()) return;
  running_.store(false, std::memory_order_relaxed);
  setup_.event->set();
  thread_.join();
}

void PortClient::deliverOutputs() {
  const auto deviceId = static_cast<std::uint32_t>(setup_.portIndex + DEVICE_ID_BASE);
  while (currentOutput_ != nullptr && currentOutput_->state() == HEADER_USED_UP) {
    setup_.outputHandler(deviceId, OUTPUT_DONE, setup_.outputInstance, currentOutput_, 0);
    if (!running()) return;
    currentOutput_ = currentOutput_->next != nullptr ? currentOutput_->next : setup_.outputHead;
  }
}

void PortClient::deliver() {
  const std::int32_t deviceId = setup_.portIndex + DEVICE_ID_BASE;
  if (deviceId > DEVICE_ID_BASE + 1) return;
  priorityRaised_.store(platform::raiseThreadPriority(), std::memory_order_relaxed);
  const bool outputSide = (setup_.duplex || !setup_.inputOnly) && setup_.outputHandler != nullptr;
  const bool inputSide = (setup_.duplex || setup_.inputOnly) && setup_.inputHandler != nullptr;
  while (running()) {
    setup_.event->wait();
    if (!running()) break;
    // Reset before the walk: a header used up while the walk runs sets the
    // event again and is found by the next pass instead of waiting for the
    // header after it.
    setup_.event->reset();
    if (outputSide) deliverOutputs();
    int inputs = 0;
    if (inputSide) {
      while (running() && currentInput_ != nullptr && currentInput_->state() == HEADER_USED_UP) {
        setup_.inputHandler(static_cast<std::uint32_t>(deviceId), INPUT_DATA, setup_.inputInstance,
                            currentInput_, 0);
        if (!running()) break;
        currentInput_ = currentInput_->next != nullptr ? currentInput_->next : setup_.inputHead;
        ++inputs;
      }
    }
    // a long input pass may have let output headers pile up behind it
    if (outputSide && inputs >= 2 && running()) deliverOutputs();
  }
}

}  // namespace host

#include "output/interrupt_cleanup.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <iterator>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace voltrigg {

namespace {

// A fixed table, so that the handler reads nothing but plain memory and calls
// nothing but unlink (async-signal-safe). A slot is claimed by a compare and
// swap, filled, then published; the handler only reads published slots.
constexpr int kSlots = 64;
constexpr std::size_t kPathBytes = 4096;

enum SlotState : int { kFree = 0, kFilling = 1, kPublished = 2 };

struct Slot {
  std::atomic<int> state{kFree};
  char path[kPathBytes] = {};
};

Slot g_slots[kSlots];

#if defined(__unix__) || defined(__APPLE__)
void OnInterrupt(int signal_number) {
  for (Slot& slot : g_slots) {
    if (slot.state.load(std::memory_order_acquire) == kPublished) (void)::unlink(slot.path);
  }
  // End as the signal would have ended the program.
  (void)std::signal(signal_number, SIG_DFL);
  (void)std::raise(signal_number);
}
#endif

}  // namespace

void RemoveTemporaryFilesOnInterrupt() {
#if defined(__unix__) || defined(__APPLE__)
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction now {};
    if (::sigaction(signal_number, nullptr, &now) != 0) continue;
    if (now.sa_handler == SIG_IGN) continue;  // nohup and friends keep their choice
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    (void)::sigaction(signal_number, &action, nullptr);
  }
#endif
}

void PrepareSignalsForWriting() {
#ifdef SIGXFSZ
  (void)std::signal(SIGXFSZ, SIG_IGN);
#endif
  RemoveTemporaryFilesOnInterrupt();
}

bool RememberTemporaryFile(const std::string& path) {
  if (path.size() >= kPathBytes) return false;
  for (Slot& slot : g_slots) {
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.state.store(kPublished, std::memory_order_release);
    return true;
  }
  return false;
}

void ForgetTemporaryFile(const std::string& path) {
  for (Slot& slot : g_slots) {
    if (slot.state.load(std::memory_order_acquire) != kPublished || path != slot.path) continue;
    int expected = kPublished;
    if (slot.state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) {
      slot.path[0] = '\0';
      slot.state.store(kFree, std::memory_order_release);
      return;
    }
  }
}

int RememberedTemporaryFiles() {
  return static_cast<int>(std::count_if(std::begin(g_slots), std::end(g_slots), [](const Slot& slot) {
    return slot.state.load(std::memory_order_acquire) == kPublished;
  }));
}

}  // namespace voltrigg
